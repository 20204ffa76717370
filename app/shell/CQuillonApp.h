#pragma once
// The application object: start-up and shutdown in the designed order, adapted to Linux
// (docs/PLATFORM.md "Start-up"). It owns the document, the main dialog and the wizard and
// deletes them in the order wizard, document, main dialog; then the data store's tool
// windows go, while the window system is still there. Needs a QApplication.

#include "shell/CStartRequest.h"

#include <memory>
#include <string>
#include <vector>

class CDraftKeeper;
class CMailDoc;
class CMailWizard;
class CMainDlg;
class CQtJapanese;
class CQtPlatformUi;

class CQuillonApp {
public:
    CQuillonApp();
    ~CQuillonApp();
    CQuillonApp(const CQuillonApp&) = delete;
    CQuillonApp& operator=(const CQuillonApp&) = delete;

    // What the command line asks for (a mailto link, files to attach), read before
    // InitInstance; `workingFolder` resolves relative paths.
    void SetStartArguments(const std::vector<std::string>& arguments, const CPath& workingFolder);
    // Start-up; 0 when the program is to end at once (the reason has been shown).
    int InitInstance();
    // Shutdown; returns the exit code.
    int ExitInstance();
    // The idle pass: the wizard's current page, then the tool windows.
    void OnIdle();

    CMailDoc* GetDocument() const { return m_doc.get(); }
    CMainDlg* GetMainDlg() const { return m_main.get(); }
    CMailWizard* GetWizard() const { return m_wizard.get(); }
    // The message's draft; null when drafts cannot be kept.
    CDraftKeeper* GetDrafts() const { return m_drafts.get(); }

    // Whether the IPAGothic font is installed; without it the letter editor falls back to
    // the nearest fixed-pitch font.
    static bool HasLetterFont();

private:
    // After the first page is shown: what could not be used, then the question before the
    // files a link names are attached.
    void AskAboutStartRequest();

    std::unique_ptr<CQtPlatformUi> m_ui;
    std::unique_ptr<CQtJapanese> m_japanese;
    std::unique_ptr<CMailDoc> m_doc;
    std::unique_ptr<CMainDlg> m_main;
    std::unique_ptr<CMailWizard> m_wizard;
    CStartRequest m_start;
    std::unique_ptr<CDraftKeeper> m_drafts;
};
