#pragma once
// The page base of the wizard: every page (Body 159, Letter 153, Address 179) is a
// CWizardPage. A page is a window of its own (never a child of the main dialog, see
// docs/PLATFORM.md "Task bar"), shown and hidden by CMailWizard. The base owns what all pages
// share: the subject edit (1000) with its row, the IDOK and IDCANCEL buttons (placed at
// width - 160 and width - 280, 35 pixels above the bottom), the menu bar with every common
// command, accelerator table 184, the sizing rule and the minimise-to-floating rule.
//
// A page adds its controls to PageLayout() (below the subject row), loads them from the
// document in LoadFromDocument, stores them in StoreToDocument (returning 1 when it changed
// the document) and checks them in HasError; each override calls the base first. A page
// never holds a pointer to another page: it asks the wizard (GetWizard()->RequestPage).
// Designed pixel sizes go through CLetterFormat::DesignPixels.

#include "command/CCommandDlg.h"
#include "command/CStandardEditForXpUI.h"
#include "encoding/CString.h"
#include "model/CMailDraft.h"

#include <QVariant>

#include <vector>

class CMailDoc;
class CMailWizard;
class QBoxLayout;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;
class QVBoxLayout;

class CWizardPage : public CCommandDlg {
    Q_OBJECT
public:
    enum { IDC_SUBJECT = 1000, IDC_SUBJECT_LABEL = 1141 };
    // The page commands of the common message table, beside those of CommandIds.h.
    enum : UINT {
        ID_APP_ABOUT = 32801,
        ID_OPEN_MAIL_READER = 32806,
        ID_IMPORT_CSV = 32815,
        ID_CLOSE_AFTER_SEND = 32816,
        ID_ADDRESS_BOOK = 32817,
        ID_PREVIEW_AT_SEND = 32821,
        ID_PAGE_ORDER = 32824,
        ID_FLOATING = 32826,
        // Not in the designed table: the address book to a vCard file.
        ID_EXPORT_VCARD = 32900,
    };
    static constexpr UINT IDR_PAGE_ACCELERATOR = 184;
    static constexpr UINT IDI_PROGRAM = 128;

    // Designed sizes, in pixels of a 96-DPI screen.
    static constexpr int kWidth = 660;
    static constexpr int kMinimumHeight = 610;
    static constexpr int kOkFromRight = 160;
    static constexpr int kCancelFromRight = 280;
    static constexpr int kButtonsFromBottom = 35;
    static constexpr int kButtonWidth = 100;
    static constexpr int kButtonHeight = 26;
    static constexpr int kSubjectLength = 255;  // bytes of code page 932

    // Requests one page makes of another through CMailWizard::RequestPage; a page issue adds
    // its own codes here.
    enum PageRequest : int {
        RequestNone = 0,
        RequestApplyAddressTemplate = 1,  // on "Address": argument = ADDRESS_TEMPLATE id
    };

    CWizardPage(UINT idd, CMailDoc* doc, CMailWizard* wizard);
    ~CWizardPage() override;

    // Mail dropped on a page or pasted (the wizard's one CMailImport): whether a drag's
    // format names may carry a mail (no data is read while dragging); a drop's mail read at
    // once into the pending mail, 1 when the data held one (0: not a mail, e.g. files other
    // than ".eml", which a page may take as attachments); popup menu 182 at `globalPos`,
    // returning the chosen command or 0; DropMail does both and runs the command; whether
    // the clipboard holds a mail. Without a wizard nothing is taken.
    virtual int CanAcceptMail(const QMimeData* data) const;
    virtual int TakeMail(const QMimeData* data);
    virtual UINT ChooseMailCommand(const QPoint& globalPos, QWidget* owner);
    virtual int DropMail(const QMimeData* data, const QPoint& globalPos);
    virtual int IsMailOnClipboard() const;
    // The four commands 32783..32786 on the pending mail, else the clipboard's; available
    // when there is one. The page first stores its unsaved edits, so a reply to a mail asks
    // before it replaces what was typed; afterwards every page reloads from the document.
    void ProcessEditPasteInternetMessage(UINT id) override;
    int UpadateEditPasteInternetMessage() override;

    // The page operations, in their designed order.
    virtual int CreatePage();
    virtual int ShowPage();
    virtual int HidePage();
    virtual const char* GetPageName() const = 0;     // "Address", "Letter", "Body"
    virtual const char* GetPageCaption() const = 0;  // code page 932
    virtual void SetPagePosition(int index, int count);
    virtual int LoadFromDocument();
    virtual int HasError();
    virtual int StoreToDocument();
    // Each page gives its own; the base one (call it first) shows the document's subject.
    virtual void OnPageShown() = 0;
    virtual int ReloadFromDocument();
    virtual void ResetPage();

    // A request of another page (through CMailWizard::RequestPage); 0 when not handled.
    virtual int OnPageRequest(int request, const QVariant& argument);
    // The document was sent (before the wizard clears it); the base does nothing.
    virtual void OnMailSent();

    // Drafts (CDraftKeeper): what the page shows beyond the document, as records
    // {"page", {page name, key, value}}, put back after LoadFromDocument when a draft is
    // restored. The base keeps the rich text of every letter editor on the page (its indents
    // and ornaments, which the document's exported body has lost) by control id; a page with
    // more state of its own adds it, calling the base first.
    virtual void SaveDraftState(std::vector<CDraftRecord>& records);
    virtual void RestoreDraftState(const std::vector<CDraftRecord>& records);
    // Says that the user changed something, so that the draft is written soon. Edits in the
    // page's line edits, text edits, combo boxes, buttons and item views are seen without it.
    void NotifyChanged() { emit Changed(); }

    CMailDoc* GetDocument() const { return m_doc; }
    CMailWizard* GetWizard() const { return m_wizard; }
    QLineEdit* GetSubjectEdit() const { return m_subjectEdit; }
    QPushButton* GetOkButton() const { return m_ok; }
    QPushButton* GetCancelButton() const { return m_cancel; }
    // The subject as the controls hold it (code page 932, at most 255 bytes).
    CString GetSubjectText() const;
    void SetSubjectText(const CString& subject);
    // Whether the last key pressed on the page was Enter (the Address page asks before
    // sending then); pressing the IDOK button with the mouse clears it.
    int IsOkFromEnterKey() const { return m_okFromEnter; }

    // The common message table: a page overrides OnCommand for its own commands and passes
    // the rest here.
    void OnCommand(UINT id) override;
    void UpdateMenu() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;
    int PreTranslateMessage(MSG* msg) override;
    int IsPreTranslatedKey(MSG* msg) override;
    // The command of a key press by accelerator table 184, then 135; 0 for none.
    UINT TranslatePageKey(const QKeyEvent& event) const;
    // Whether a command of the common table can be chosen now (greyed otherwise).
    virtual int IsCommandAvailable(UINT id) const;

    // Every command id of the page's menu bar, in menu order.
    static const std::vector<UINT>& MenuCommands();

    // The file name "名前を付けて保存" offers for a message with `subject`: the subject (or
    // "新規メール" without one) cut to 100 bytes, with "/" and control characters as "_",
    // and ".eml".
    static CString SaveAsFileName(const CString& subject);

signals:
    void Changed();

protected:
    int OnInitDialog() override;
    // The page's own geometry after the base has placed IDOK and IDCANCEL (WM_SIZE).
    virtual void OnSize(int width, int height);

    // Where a page puts its controls, below the subject row and above the buttons.
    QVBoxLayout* PageLayout() const { return m_pageLayout; }
    // The subject row: the label and edit 1000; a page may append controls to it.
    QHBoxLayout* SubjectRow() const { return m_subjectRow; }

    void OnOK();
    void OnCancel();
    void OnClose();
    // "名前を付けて保存(&A)...": every page is stored, then CMailDoc::SaveAs with the
    // folder-list save dialog.
    void OnSaveAs();

    void accept() override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    void OnSubjectChanged();
    void ApplySizingRule();

    CMailDoc* m_doc;
    CMailWizard* m_wizard;
    CString m_subject;
    QLineEdit* m_subjectEdit;
    CStandardEditForXpUI m_editSubject;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QVBoxLayout* m_pageLayout;
    QHBoxLayout* m_subjectRow;
    const class CAcceleratorTable* m_pageAccelerators = nullptr;
    int m_okFromEnter = 0;
};
