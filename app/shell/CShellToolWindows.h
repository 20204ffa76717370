#pragma once
// The Qt side of the data store's tool windows: the floating drop window (187) and the work
// window (175, a CEditLetterDlg titled "ワーク"), each made on first use. The address book
// window comes with the address book; until then OpenAddressBook answers 0 and the command
// stays greyed.

#include "data/CDataStore.h"

#include <memory>

class CEditLetterDlg;
class CFloatingDropWnd;

class CShellToolWindows : public CToolWindows {
public:
    enum { IDD_WORK = 175 };

    CShellToolWindows();
    ~CShellToolWindows() override;

    int OpenAddressBook(CWnd* page) override;
    int ShowFloating(CWnd* page) override;
    int OpenWorkWindow(CWnd* page) override;
    int HasAddressBook() const override { return 0; }

    CFloatingDropWnd* GetFloating() const { return m_floating.get(); }
    CEditLetterDlg* GetWorkWindow() const { return m_work.get(); }

private:
    std::unique_ptr<CFloatingDropWnd> m_floating;
    std::unique_ptr<CEditLetterDlg> m_work;
};
