#include "shell/CShellToolWindows.h"

#include "addressbook/CAddressBook.h"
#include "addressbook/CAddressBookDlg.h"
#include "addressbook/CAddressTarget.h"
#include "res/ProgramIcon.h"
#include "shell/CFloatingDropWnd.h"
#include "shell/CMailWizard.h"
#include "shell/CWizardPage.h"
#include "command/CQtPlatformUi.h"
#include "command/QtText.h"
#include "command/QtWindow.h"
#include "letter/CEditLetterDlg.h"

#include <QApplication>

CShellToolWindows::CShellToolWindows() = default;

CShellToolWindows::~CShellToolWindows()
{
    // The address book first, then the floating window, then the work window; the book in
    // memory after the window that watches it.
    m_addressBook.reset();
    m_floating.reset();
    m_work.reset();
    m_book.reset();
}

CAddressBook* CShellToolWindows::GetAddressBook()
{
    if (!m_book)
        m_book = std::make_unique<CAddressBook>();
    // Failures are said when the window opens; completion simply finds nobody.
    if (!m_book->IsLoaded())
        (void)m_book->Load();
    return m_book.get();
}

QWidget* CShellToolWindows::TargetFor(QWidget* page)
{
    if (dynamic_cast<CAddressTarget*>(page) != nullptr)
        return page;
    auto* wizardPage = qobject_cast<CWizardPage*>(page);
    if (wizardPage != nullptr && wizardPage->GetWizard() != nullptr) {
        CWizardPage* address = wizardPage->GetWizard()->GetPage("Address");
        if (dynamic_cast<CAddressTarget*>(address) != nullptr)
            return address;
    }
    return nullptr;
}

int CShellToolWindows::OpenAddressBook(CWnd* page, int list)
{
    // The window reads the tables as it opens (and says what failed): a book made here is
    // not read twice.
    if (!m_book)
        m_book = std::make_unique<CAddressBook>();
    if (!m_addressBook)
        m_addressBook = std::make_unique<CAddressBookDlg>(*m_book);
    m_addressBook->OpenFor(TargetFor(FromCWnd(page)), list);
    return 1;
}

int CShellToolWindows::CanCloseAddressBook(CWnd* page)
{
    return m_addressBook ? m_addressBook->CanClose(FromCWnd(page)) : 1;
}

int CShellToolWindows::Report(int status)
{
    if (status == CAddressBook::Ok)
        return 1;
    MessageBox(QApplication::activeWindow(), ToQString(CAddressBook::Message(static_cast<CAddressBook::Status>(status))),
               ToQString(CAddressBook::kCaption), MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

int CShellToolWindows::AddAddress(const CAddress& address)
{
    long id = 0;
    return Report(GetAddressBook()->AddAddress(address, id));
}

int CShellToolWindows::AddAddressToGroup(const CAddress& address, const char* groupName)
{
    long id = 0;
    return Report(GetAddressBook()->AddAddressToGroup(address, groupName, id));
}

int CShellToolWindows::ReplaceAddress(const CAddress& from, const CAddress& to)
{
    return Report(GetAddressBook()->ReplaceAddress(from, to));
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
