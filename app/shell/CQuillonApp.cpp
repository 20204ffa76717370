#include "shell/CQuillonApp.h"

#include "shell/CDraftKeeper.h"
#include "shell/CMailWizard.h"
#include "shell/CMainDlg.h"
#include "shell/CShellToolWindows.h"
#include "shell/CWizardPage.h"
#include "shell/DocumentDump.h"
#include "command/CProfile.h"
#include "command/CQtJapanese.h"
#include "command/CQtPlatformUi.h"
#include "command/QtText.h"
#include "data/CDataStore.h"
#include "model/CMailDoc.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFontDatabase>

CQuillonApp::CQuillonApp() = default;

CQuillonApp::~CQuillonApp()
{
    if (m_wizard || m_doc || m_main)
        ExitInstance();
}

bool CQuillonApp::HasLetterFont()
{
    return QFontDatabase::families().contains(QStringLiteral(u"IPAGothic"));
}

int CQuillonApp::InitInstance()
{
    // A user interface installed before (the tests' scripted boxes) stays.
    if (CPlatformUi::Get() == nullptr) {
        m_ui = std::make_unique<CQtPlatformUi>();
        CPlatformUi::Set(m_ui.get());
    }
    // Qt's own texts (standard buttons, the file dialog) and formats in Japanese beside the
    // program's.
    m_japanese = std::make_unique<CQtJapanese>();
    QApplication::setQuitOnLastWindowClosed(false);

    if (!HasLetterFont()) {
        MessageBox(static_cast<QWidget*>(nullptr),
                   u"等幅フォント IPAゴシック (IPAGothic) が見つかりません。\n"
                   u"本文は近い等幅フォントで表示します。fonts-ipafont-gothic を入れると、"
                   u"送信する文面の折り返しと画面が一致します。"_qs,
                   ToQString(theDataStore.GetProductName()), MB_OK | MB_ICONEXCLAMATION);
    }

    if (!theDataStore.CreateDatabases()) {
        // A database that cannot be made has said so; a data folder that cannot be found
        // or made has not.
        if (theDataStore.GetDataFolder().IsEmpty())
            MessageBox(static_cast<QWidget*>(nullptr),
                       u"データフォルダを作成できませんでした。\nXDG_DATA_HOME または HOME を確認してください。"_qs,
                       ToQString(theDataStore.GetProductName()), MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    CProfile::Get();  // opens the settings (and moves an old file's values once)

    m_doc.reset(CMailDoc::Create());
    if (!m_doc)
        return 0;
    m_main = std::make_unique<CMainDlg>();
    theDataStore.SetToolWindows(std::make_unique<CShellToolWindows>());
    m_wizard = CMailWizard::Create(m_doc.get(), m_main.get());
    if (!m_wizard)
        return 0;
    m_main->SetWizard(m_wizard.get());
    m_wizard->SetTitle(m_main->windowTitle());
    // A message left unsent by a run that ended (a crash, a kill, a logout) is offered first.
    std::string page;
    m_drafts = std::make_unique<CDraftKeeper>(m_doc.get(), m_wizard.get(), theDataStore.GetDataFolder());
    if (m_drafts->Open())
        page = m_drafts->OfferRestore();
    else
        m_drafts.reset();
    // A mailto link and files of the command line go into the document before the pages
    // load from it (on top of a restored draft, since the user asked for them just now).
    if (!m_start.IsEmpty()) {
        m_start.FillDocument(*m_doc);
        m_wizard->ReloadAll();
    }
    m_wizard->Start(page.empty() ? nullptr : page.c_str());
    AskAboutStartRequest();
    return 1;
}

void CQuillonApp::SetStartArguments(const std::vector<std::string>& arguments, const CPath& workingFolder)
{
    m_start = CStartRequest();
    m_start.Read(arguments, workingFolder);
}

void CQuillonApp::AskAboutStartRequest()
{
    QWidget* page = m_wizard->GetCurrentPage();
    if (!m_start.GetProblems().empty())
        MessageBox(page, ToQString(CStartRequest::ProblemText(m_start.GetProblems())), u"エラー"_qs,
                   MB_OK | MB_ICONEXCLAMATION);
    const std::vector<CPath>& files = m_start.GetLinkAttachments();
    if (files.empty())
        return;
    // "いいえ" is the default: Enter alone attaches nothing a web page asked for.
    if (MessageBox(page, ToQString(CStartRequest::AttachQuestion(files)), u"確認"_qs,
                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    CStartRequest::AttachFiles(*m_doc, files);
    m_wizard->ReloadAll();
}

int CQuillonApp::ExitInstance()
{
    if (m_main)
        m_main->SetWizard(nullptr);
    DumpDocumentIfAsked(m_wizard.get(), m_doc.get());
    m_drafts.reset();  // a draft still there stays for the next start
    m_wizard.reset();
    m_doc.reset();
    m_main.reset();
    theDataStore.DestroyToolWindows();
    CProfile::Reset();
    if (m_ui && CPlatformUi::Get() == m_ui.get())
        CPlatformUi::Set(nullptr);
    m_ui.reset();
    return 0;
}

void CQuillonApp::OnIdle()
{
    if (m_wizard)
        m_wizard->OnIdle();
}
