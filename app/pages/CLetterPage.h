#pragma once
// Dialog 153 "件名、文面定型", page "Letter": the fixed parts of a letter around the body (a
// subject prefix, the salutation, the greeting, the closing and the signature), and the
// letter templates that combine them. The page keeps its values between visits and gives
// them to the document when it is left; the body is only shown, read-only and abridged.
//
// The phrase and template tables are read through app/data; the phrase, signature and
// letter-template dialogs (app/settings) return what the user chose and the page writes it.

#include "shell/CWizardPage.h"

#include "data/LetterTables.h"
#include "pages/LetterRules.h"

class CPhraseCombo;
class CPhraseTextEdit;
class CTemplateListBox;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class CLetterPage : public CWizardPage {
    Q_OBJECT
public:
    enum {
        IDD = 153,
        IDC_DEAR_EDIT = 1001,
        IDC_SIGNATURE_TEXT = 1003,
        IDC_GREETING = 1004,
        IDC_BODY_PREVIEW = 1006,
        IDC_CLOSING = 1008,
        IDC_SIGNATURE = 1009,
        IDC_CLEAR_TEMPLATE = 1023,
        IDC_TEMPLATE = 1026,
        IDC_PREFIX_PHRASES = 1027,
        IDC_DEAR_PHRASES = 1028,
        IDC_GREETING_PHRASES = 1029,
        IDC_CLEAR_GREETING = 1030,
        IDC_CLOSING_PHRASES = 1031,
        IDC_CLEAR_DEAR = 1032,
        IDC_SIGNATURES = 1033,
        IDC_CLEAR_CLOSING = 1034,
        IDC_REMOVE_PREFIX = 1035,
        IDC_CLEAR_SIGNATURE = 1036,
        IDC_PREFIX = 1039,
        IDC_DEAR = 1040,
        IDC_UPPER_REPLY = 1105,
        IDC_TEMPLATE_LIST = 1123,
        IDC_REPLACE = 1126,
        IDC_CLEAR_ALL = 1127,
        IDC_CLICK_TO_REPLACE = 1128,
    };

    CLetterPage(CMailDoc* doc, CMailWizard* wizard);
    ~CLetterPage() override;

    const char* GetPageName() const override { return "Letter"; }
    const char* GetPageCaption() const override { return "件名、文面定型"; }
    void OnPageShown() override;
    int StoreToDocument() override;
    void ResetPage() override;
    void OnCommand(UINT id) override;
    void OnIdle() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;

    // The page's actions, as its buttons and lists start them.
    void OnApplyTemplate();
    void OnPrefixChosen();
    void OnRemovePrefix();
    void OnDearChosen();
    void OnSignatureChosen();
    void OnClearAll();
    void OnPhraseButton(UINT id);
    void OnSignatureButton();
    void OnTemplateButton();
    void OnClickToReplace();

    CPhraseCombo* GetPrefixCombo() const { return m_prefix; }
    CPhraseCombo* GetDearCombo() const { return m_dearPhrases; }
    CPhraseCombo* GetGreetingCombo() const { return m_greeting; }
    CPhraseCombo* GetClosingCombo() const { return m_closing; }
    CPhraseCombo* GetSignatureCombo() const { return m_signature; }
    CPhraseTextEdit* GetDearEdit() const { return m_dear; }
    CPhraseTextEdit* GetSignatureEdit() const { return m_signatureText; }
    QPlainTextEdit* GetBodyPreview() const { return m_preview; }
    CTemplateListBox* GetTemplateList() const { return m_templates; }
    QCheckBox* GetUpperReplyBox() const { return m_upperReply; }
    QCheckBox* GetClickToReplaceBox() const { return m_clickToReplace; }

protected:
    int OnInitDialog() override;

private:
    // The designed members bound to the controls.
    struct Members {
        CString dear;
        CString greeting;
        int upperReply = 0;
        CString closing;
        int clickToReplace = 0;
    };

    QPushButton* AddButton(int id, const QString& text);
    QToolButton* AddSmallButton(int id);
    // Controls to members (save) or members to controls, as one exchange.
    void UpdateData(bool save);
    void ShowBodyPreview();
    void ReloadTemplates();
    void ReloadSignatures();
    // The clearing that applying a template and "クリア" share.
    void ClearPieces();
    void ShowSignatureText();
    void SetSubjectWithPrefix(const CString& subject);
    CPhraseCombo* ComboOfPhraseButton(UINT id) const;

    Members m_data;
    CPhraseCombo* m_prefix;
    CPhraseCombo* m_dearPhrases;
    CPhraseTextEdit* m_dear;
    CPhraseCombo* m_greeting;
    QPlainTextEdit* m_preview;
    QCheckBox* m_upperReply;
    CPhraseCombo* m_closing;
    CPhraseCombo* m_signature;
    CPhraseTextEdit* m_signatureText;
    CTemplateListBox* m_templates;
    QCheckBox* m_clickToReplace;
    // The buttons the idle pass enables.
    QPushButton* m_replace = nullptr;
    QPushButton* m_clearAll = nullptr;
    QToolButton* m_clearTemplate = nullptr;
    QToolButton* m_removePrefix = nullptr;
    QToolButton* m_clearDear = nullptr;
    QToolButton* m_clearGreeting = nullptr;
    QToolButton* m_clearClosing = nullptr;
    QToolButton* m_clearSignature = nullptr;

    CStandardEditForXpUI m_editDear;
    CStandardEditForXpUI m_editPreview;
    CStandardEditForXpUI m_editSignature;
};
