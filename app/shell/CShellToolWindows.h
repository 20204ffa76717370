#pragma once
// The Qt side of the data store's tool windows: the address book window (152), the floating
// drop window (187) and the work window (175, a CEditLetterDlg titled "ワーク"), each made
// on first use, and the address book in memory that the window, the recipient entries'
// completion and the address operations share.

#include "data/CDataStore.h"

#include <memory>

class CAddressBook;
class CAddressBookDlg;
class CEditLetterDlg;
class CFloatingDropWnd;
class QWidget;

class CShellToolWindows : public CToolWindows {
public:
    enum { IDD_WORK = 175 };

    CShellToolWindows();
    ~CShellToolWindows() override;

    int OpenAddressBook(CWnd* page, int list) override;
    int ShowFloating(CWnd* page) override;
    int OpenWorkWindow(CWnd* page) override;
    int HasAddressBook() const override { return 1; }
    int AddAddress(const CAddress& address) override;
    int AddAddressToGroup(const CAddress& address, const char* groupName) override;
    int ReplaceAddress(const CAddress& from, const CAddress& to) override;
    int CanCloseAddressBook(CWnd* page) override;
    CAddressBook* GetAddressBook() override;

    CAddressBookDlg* GetAddressBookDlg() const { return m_addressBook.get(); }
    CFloatingDropWnd* GetFloating() const { return m_floating.get(); }
    CEditLetterDlg* GetWorkWindow() const { return m_work.get(); }

private:
    // The window that takes the book's addresses for `page`: the page itself when it takes
    // addresses, else the wizard's Address page.
    static QWidget* TargetFor(QWidget* page);
    // Shows the address book's message for a failed operation; returns whether it succeeded.
    static int Report(int status);

    std::unique_ptr<CAddressBook> m_book;
    std::unique_ptr<CAddressBookDlg> m_addressBook;
    std::unique_ptr<CFloatingDropWnd> m_floating;
    std::unique_ptr<CEditLetterDlg> m_work;
};
