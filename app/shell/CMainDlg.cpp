#include "shell/CMainDlg.h"

#include "shell/CMailWizard.h"
#include "res/ProgramIcon.h"
#include "shell/CWizardPage.h"
#include "command/CommandIds.h"

#include <QCloseEvent>
#include <QGuiApplication>

CMainDlg::CMainDlg() : QDialog(nullptr)
{
    SetControlId(this, IDD);
    setWindowTitle(QStringLiteral(u"新規メール"));
    setWindowIcon(ProgramIcon());
    // The input method is switched on by the pages' edits; nothing to open here.
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::setVisible(bool)
{
    // Never mapped: the pages are the program's windows.
    QDialog::setVisible(false);
}

int CMainDlg::OnClose()
{
    if (m_wizard == nullptr)
        return 1;
    if (CWizardPage* page = m_wizard->GetCurrentPage())
        page->OnCommand(ID_FILE_CLOSE);
    return m_wizard->GetCurrentPage() == nullptr ? 1 : 0;
}

void CMainDlg::OnSysCommand()
{
    if (m_wizard == nullptr)
        return;
    if (CWizardPage* page = m_wizard->GetCurrentPage()) {
        page->raise();
        page->activateWindow();
    }
}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    if (OnClose())
        event->accept();
    else
        event->ignore();
}
