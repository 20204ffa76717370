#pragma once
// Dialog 159 "本文、添付ファイル", page "Body": the body in the letter editor (1006), the
// attachments (1021) with their total (1011), the fixed phrases (定型文, combo 1038 over a
// CTemplateFile store in the data folder's "Template" folder) and the indent and format
// buttons. Leaving exports the body with hard line breaks and the list into the document,
// each only when it was changed. A reply or forward fills the editor from the document with
// the original's summary above it.
//
// Files dropped on the page or on the editor go to the attachment list, unless the page's
// mail hooks (CanAcceptMail, DropMail: the mail-drop code) take the data as a mail first.
// The rules that are not about widgets are in BodyRules.h.

#include "shell/CWizardPage.h"
#include "data/TitleLists.h"
#include "pages/BodyRules.h"

#include <functional>
#include <memory>
#include <vector>

class CDrawerFileDlg;
class CEditLetter;
class CFileListCtrl;
class CStandardCombo;
class CTemplateFile;
class QLabel;
class QPushButton;

class CBodyPage : public CWizardPage {
    Q_OBJECT
public:
    enum {
        IDD = 159,
        IDC_ADD_FILES = 1020,
        IDC_FILES = 1021,
        IDC_REMOVE_ALL = 1025,
        IDC_TOTAL = 1011,
        IDC_BODY_LABEL = 1142,
        IDC_BODY = 1006,
        IDC_LEFT_INDENT_DELETE = 1106,
        IDC_LEFT_INDENT_ADD = 1107,
        IDC_RIGHT_INDENT_ADD = 1108,     // shorter lines
        IDC_RIGHT_INDENT_DELETE = 1109,  // longer lines
        IDC_PHRASE_EDIT = 1033,
        IDC_PHRASES = 1038,
        IDC_PHRASE_INSERT = 1034,
        IDC_PHRASE_CLEAR = 1023,
        IDC_DEFAULT_FORMAT = 1138,
        IDC_UNDERLINE = 1137,
    };

    CBodyPage(CMailDoc* doc, CMailWizard* wizard);
    ~CBodyPage() override;

    const char* GetPageName() const override { return "Body"; }
    const char* GetPageCaption() const override { return "本文、添付ファイル"; }
    int LoadFromDocument() override;
    int StoreToDocument() override;
    void OnPageShown() override;
    void ResetPage() override;
    void OnIdle() override;
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item) override;

    CEditLetter* GetEditor() const { return m_edit; }
    CFileListCtrl* GetFileList() const { return m_files; }
    CStandardCombo* GetPhraseCombo() const { return m_phrases; }
    CDrawerFileDlg* GetFileDialog() const { return m_fileDialog.get(); }
    // The total as shown in 1011.
    QString GetTotalText() const;

    // Button 1020: the file dialog, then the total.
    void OnAddFiles();
    // Button 1025: every attachment removed.
    void OnRemoveAll();
    // Local files handed to the attachment list (a drop on the page or the editor).
    void OnDropFiles(const std::vector<CPath>& paths);
    // Buttons 1034, 1023 and 1033.
    void OnInsertPhrase();
    void OnClearPhrase();
    void OnEditPhrase();

protected:
    int OnInitDialog() override;
    void OnSize(int width, int height) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPushButton* AddButton(int id, const QString& text);
    void OnFormatButton(int id);
    void RefreshTotal();
    void ClearEditor();
    void FillPhraseCombo();
    int SelectedPhrase() const;
    // The phrase dialog (102) as the page opens it; tests replace it, as they cannot click in
    // a modal dialog without a timer. Returns 1 on OK with the operation, title and RTF.
    int RunPhraseDialog(const CString& title, const CString& rtf, int existing, int& operation,
                        CString& newTitle, CString& newRtf);

    CFileListCtrl* m_files;
    QLabel* m_total;
    CEditLetter* m_edit;
    CStandardCombo* m_phrases;
    std::unique_ptr<CDrawerFileDlg> m_fileDialog;
    std::unique_ptr<CTemplateFile> m_phraseStore;
    CTitleList m_phraseList;  // the combo's entries, in its order
    BodyRules::CIdlePacer m_totalPacer;
    int m_listHeight = -1;

public:
    // Replaces the phrase dialog (tests); empty for the real one.
    std::function<int(const CString& title, const CString& rtf, int existing, int& operation,
                      CString& newTitle, CString& newRtf)>
        runPhraseDialog;
};
