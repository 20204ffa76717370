#pragma once
// Dialog 179 "宛先", page "Address": the sender and the To, Cc and Bcc recipients, and the
// address templates. The sender box (1040) lists the ACCOUNT rows, the default sender marked
// " (通常)" and chosen first; the address panel (181) holds the three lists; the template
// list (1123) applies templates with "<<置換", "<<追加" and ">>削除" (the template's subject
// put in front of the subject, or taken away), and "宛先定型(&T)" edits them (dialog 178).
//
// StoreToDocument writes the mailer name, the chosen account's server, port, login, sender
// and reply address, the sender-in-Bcc option and the lists the user changed. Before a send
// the page tells the user when the account's password cannot be read from the keyring.
// Addresses that come while the page is hidden (from the address book, or a template the
// Letter page applies) are stored into the document at once.

#include "addressbook/CAddressTarget.h"
#include "shell/CWizardPage.h"
#include "model/CAddress.h"

#include <vector>

class CAddressPanel;
class QCheckBox;
class QComboBox;
class QListWidget;

class CAddressPage : public CWizardPage, public CAddressTarget {
    Q_OBJECT
public:
    enum {
        IDD = 179,
        IDC_SENDER = 1040,
        IDC_SENDER_BUTTON = 1081,
        IDC_TEMPLATE_REPLACE = 1126,
        IDC_TEMPLATE_ADD = 1124,
        IDC_TEMPLATE_REMOVE = 1127,
        IDC_CLEAR = 1028,
        IDC_TEMPLATE_DIALOG = 1026,
        IDC_TEMPLATE_LIST = 1123,
        IDC_TEMPLATE_UNSELECT = 1023,
        IDC_ADD_BY_CLICK = 1128,
    };
    // How a template changes the lists.
    enum TemplateUse { UseAdd, UseRemove, UseReplace };

    CAddressPage(CMailDoc* doc, CMailWizard* wizard);
    ~CAddressPage() override;

    const char* GetPageName() const override { return "Address"; }
    const char* GetPageCaption() const override { return "宛先"; }
    int LoadFromDocument() override;
    int HasError() override;
    int StoreToDocument() override;
    void OnPageShown() override;
    void ResetPage() override;
    void OnMailSent() override;
    // Text typed into an address entry but not yet added to its list.
    void SaveDraftState(std::vector<CDraftRecord>& records) override;
    void RestoreDraftState(const std::vector<CDraftRecord>& records) override;
    // RequestApplyAddressTemplate (argument: the template's id) adds the template's
    // addresses, as "<<追加" does, without touching the subject (the Letter page keeps it).
    int OnPageRequest(int request, const QVariant& argument) override;
    void OnCommand(UINT id) override;
    void UpdateMenu() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;

    int TakeAddresses(int list, const std::vector<CAddress>& addresses) override;

    // Refills the sender box from ACCOUNT, keeping the chosen account when it is still there.
    void LoadSenders();
    // "差出人(&N)": the sender list dialog, then the box refilled.
    void OnSenderButton();
    // Refills the template list, selecting `selectId` when it is there.
    void LoadTemplates(long selectId = 0);
    // The selected template's id, 0 for none.
    long GetSelectedTemplateId() const;
    // Applies template `id` to the lists (and, except for UseRemove by request, the subject);
    // 0 when there is no such template.
    int ApplyTemplate(long id, TemplateUse use);
    // "宛先定型(&T)": dialog 178 with the selected template (or a new one made of the lists
    // as they are), then the template written and the list reloaded.
    void OnTemplateDialog();
    // The lists the user changed into the document; 1 when one was.
    int StoreAddressLists();

    QComboBox* GetSenderBox() const { return m_sender; }
    CAddressPanel* GetPanel() const { return m_panel; }
    QListWidget* GetTemplateList() const { return m_templates; }
    QCheckBox* GetAddByClickBox() const { return m_addByClick; }

protected:
    int OnInitDialog() override;

private:
    long SelectedAccountId() const;
    // Whether HasError runs for a send (IDOK on the last page, or the wizard's send).
    int IsSending() const;
    // Before a send: the account's login read; a password the keyring does not give is told,
    // and the user chooses whether to send without it. 1 to stay on the page.
    int CheckLogin();
    void OnTemplateClicked();

    QComboBox* m_sender;
    std::vector<CAddress> m_senderAddresses;  // the box's accounts, in its order
    CAddressPanel* m_panel;
    QListWidget* m_templates;
    QCheckBox* m_addByClick;
    class QPushButton* m_templateButtons[4] = {};  // replace, add, remove, unselect
    long m_loginChecked = 0;  // the account whose login CheckLogin put into the document
};
