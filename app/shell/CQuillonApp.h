#pragma once
// The application object: start-up and shutdown in the designed order, adapted to Linux
// (docs/PLATFORM.md "Start-up"). It owns the document, the main dialog and the wizard and
// deletes them in the order wizard, document, main dialog; then the data store's tool
// windows go, while the window system is still there. Needs a QApplication.

#include <QTranslator>

#include <memory>

class CDraftKeeper;
class CMailDoc;
class CMailWizard;
class CMainDlg;
class CQtPlatformUi;

class CQuillonApp {
public:
    CQuillonApp();
    ~CQuillonApp();
    CQuillonApp(const CQuillonApp&) = delete;
    CQuillonApp& operator=(const CQuillonApp&) = delete;

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
    void LoadTranslations();

    std::unique_ptr<CQtPlatformUi> m_ui;
    QTranslator m_translator;
    std::unique_ptr<CMailDoc> m_doc;
    std::unique_ptr<CMainDlg> m_main;
    std::unique_ptr<CMailWizard> m_wizard;
    std::unique_ptr<CDraftKeeper> m_drafts;
};
