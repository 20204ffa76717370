#pragma once
// Dialog 179 "宛先", page "Address": the sender and the recipients.
//
// INTERIM: until the Address page issue replaces it, the page has only what sending needs:
// a sender box (1040) filled from ACCOUNT (the default sender of CURRENT_ACCOUNT marked
// " (通常)" and chosen first) and one To field (1012) of comma-separated addresses. Its
// StoreToDocument already does the designed sender work (mailer name, server, port,
// security, sender, reply address, sender-in-Bcc), which the real page keeps.

#include "shell/CWizardPage.h"

class QComboBox;
class QLineEdit;

class CAddressPage : public CWizardPage {
    Q_OBJECT
public:
    enum { IDD = 179, IDC_SENDER = 1040, IDC_TO = 1012 };

    CAddressPage(CMailDoc* doc, CMailWizard* wizard);

    const char* GetPageName() const override { return "Address"; }
    const char* GetPageCaption() const override { return "宛先"; }
    int LoadFromDocument() override;
    int HasError() override;
    int StoreToDocument() override;
    void OnPageShown() override;
    void ResetPage() override;
    void OnCommand(UINT id) override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;

    // Refills the sender box from ACCOUNT, keeping the chosen account when it still exists.
    void LoadSenders();
    QComboBox* GetSenderBox() const { return m_sender; }
    QLineEdit* GetToEdit() const { return m_to; }

protected:
    int OnInitDialog() override;

private:
    CString ToFieldText() const;

    QComboBox* m_sender;
    QLineEdit* m_to;
    CStandardEditForXpUI m_editTo;
    int m_toChanged = 0;
};
