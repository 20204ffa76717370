#include "shell/CShellToolWindows.h"

#include "res/ProgramIcon.h"
#include "shell/CFloatingDropWnd.h"
#include "shell/CWizardPage.h"
#include "command/QtWindow.h"
#include "letter/CEditLetterDlg.h"

CShellToolWindows::CShellToolWindows() = default;

CShellToolWindows::~CShellToolWindows()
{
    // The address book first (none yet), then the floating window, then the work window.
    m_floating.reset();
    m_work.reset();
}

int CShellToolWindows::OpenAddressBook(CWnd*)
{
    return 0;
}

int CShellToolWindows::ShowFloating(CWnd* page)
{
    if (!m_floating)
        m_floating = std::make_unique<CFloatingDropWnd>();
    m_floating->ShowFor(qobject_cast<CWizardPage*>(FromCWnd(page)));
    return 1;
}

int CShellToolWindows::OpenWorkWindow(CWnd*)
{
    if (!m_work) {
        m_work = std::make_unique<CEditLetterDlg>(IDD_WORK);
        m_work->setWindowTitle(QStringLiteral(u"ワーク"));
        m_work->setWindowIcon(ProgramIcon());
        m_work->Create(nullptr);
    }
    m_work->show();
    m_work->raise();
    m_work->activateWindow();
    return 1;
}
