#pragma once
// Dialog 178 "宛先定型": one address template. The operation ("新規", "修正", "削除"; the
// last two only for a template that exists), the name, "件名も含める(&I)" with the subject,
// an address panel (181) with the template's To, Cc and Bcc lists, and the linked letter
// template chosen with "文面定型の選択(&L)" (dialog 188), shown by its title or "(なし)".
// It opens with preset values and returns the operation (RecordAdd, RecordChange,
// RecordDelete) and the edited record; the Address page writes it.
//
// The dialog is modal to the page only, so the address book window stays usable for its
// panel's "宛先", "ＣＣ" and "BCC" buttons.

#include "addressbook/CAddressTarget.h"
#include "command/CCommandDlg.h"
#include "command/CStandardEditForXpUI.h"
#include "data/AddressTemplates.h"

class CAddressPanel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class CAddressTemplateDlg : public CCommandDlg, public CAddressTarget {
    Q_OBJECT
public:
    enum {
        IDD = 178,
        IDC_NEW = 1163,
        IDC_MODIFY = 1164,
        IDC_REMOVE = 1165,
        IDC_NAME = 1166,
        IDC_WITH_SUBJECT = 1167,
        IDC_SUBJECT = 1168,
        IDC_LETTER_TEMPLATE = 1169,
        IDC_LETTER_TITLE = 1170,
    };
    // Bytes of code page 932 that TITLE and SUBJECT hold.
    static constexpr int kTextLimit = 255;

    // `operation` RecordChange or RecordDelete needs a preset with an id.
    CAddressTemplateDlg(const CAddressTemplateRecord& preset, int operation, QWidget* parent);
    ~CAddressTemplateDlg() override;

    int GetOperation() const;
    void SetOperation(int operation);
    CAddressTemplateRecord GetRecord() const;
    // "文面定型の選択(&L)": dialog 188 over the letter templates.
    void OnChooseLetterTemplate();
    // The linked letter template: its id (0 for none) and the title shown.
    void SetLetterTemplate(long id);
    long GetLetterTemplateId() const { return m_letterId; }

    CAddressPanel* GetPanel() const { return m_panel; }
    QLineEdit* GetNameEdit() const { return m_name; }
    QLineEdit* GetSubjectEdit() const { return m_subject; }
    QCheckBox* GetWithSubjectBox() const { return m_withSubject; }
    QLabel* GetLetterTitle() const { return m_letterTitle; }

    int TakeAddresses(int list, const std::vector<CAddress>& addresses) override;
    void accept() override;
    void UpdateMenu() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;
    void OnCommand(UINT id) override;

protected:
    int OnInitDialog() override;

private:
    CAddressTemplateRecord m_preset;
    long m_letterId = 0;
    QRadioButton* m_operations[3];
    QLineEdit* m_name;
    QCheckBox* m_withSubject;
    QLineEdit* m_subject;
    CAddressPanel* m_panel;
    QLabel* m_letterTitle;
    CStandardEditForXpUI m_editName;
    CStandardEditForXpUI m_editSubject;
};
