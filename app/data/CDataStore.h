#pragma once
// Where the program keeps its data: the data folder <application data>/Velto/Quillon and
// the four databases in it. One global instance, theDataStore; names are code page 932 text,
// paths the file system's own bytes (CPath), so that any folder can hold the data.
//
// The application-data folder is $XDG_DATA_HOME, or ~/.local/share when that is unset or
// not absolute. The paths are known once CreateDatabases has run; every recordset takes its
// default path from here, so CreateDatabases runs at start-up before any recordset opens.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <memory>

class CWnd;

// The three modeless tool windows that hang off the data store: the address book, the
// floating drop window and the work window. The program makes them (app/shell) on first
// use; a page is passed as the window that asks. Destroying the object destroys the
// address book window, the floating window and the work window, in that order.
class CToolWindows {
public:
    virtual ~CToolWindows() = default;
    // Opens the address book window for `page`; 0 while the program has none.
    virtual int OpenAddressBook(CWnd* page) = 0;
    // Shows the floating drop window for `page`, which hides itself.
    virtual int ShowFloating(CWnd* page) = 0;
    // Opens the work window for `page`.
    virtual int OpenWorkWindow(CWnd* page) = 0;
    // Whether the address book window exists (it answers the address operations).
    virtual int HasAddressBook() const = 0;
};

class CDataStore {
public:
    CDataStore();
    CDataStore(const CDataStore&) = delete;
    CDataStore& operator=(const CDataStore&) = delete;

    const CString& GetCompanyName() const { return companyName_; }
    // Also the settings' organisation name.
    const CString& GetCompanyFolderName() const { return companyFolderName_; }
    const CString& GetProductName() const { return productName_; }
    const CString& GetProductFolderName() const { return productFolderName_; }
    const CString& GetVersion() const { return version_; }
    const CPath& GetDataFolder() const { return dataFolder_; }
    const CPath& GetConfigDbPath() const { return configDbPath_; }
    const CPath& GetAccountDbPath() const { return accountDbPath_; }
    const CPath& GetAddressDbPath() const { return addressDbPath_; }
    const CPath& GetTemplateDbPath() const { return templateDbPath_; }

    // Finds the application-data folder (creating it if missing), creates the data folder
    // (mode 0700) and every database file that does not exist yet, in the order Config,
    // Account, Address, Template, each with its tables and default rows in one transaction.
    // A file that exists is used as found, except that Account.mdb gets our own table
    // ACCOUNT_AUTH when it lacks it and loses any access beyond the user's own, and that a
    // broken file (not a database at all, a zero-length or truncated file, or without every
    // table and column) is set aside as "<name>.broken-<date>-<time>" and a new one is made,
    // with a message that says so; for Account.mdb and Address.mdb the user is asked first,
    // and "No" stops here with the file untouched. When a creation fails the half-made file
    // is deleted, the database's message is shown (the message-box route, with the program's
    // name as caption) and the later databases are not tried. Returns non-zero when the
    // folder was found and every database is there.
    [[nodiscard]] int CreateDatabases();

    // The tool windows; the store owns them. DestroyToolWindows destroys them, as the
    // program's end does while its window system is still there.
    void SetToolWindows(std::unique_ptr<CToolWindows> windows) { toolWindows_ = std::move(windows); }
    CToolWindows* GetToolWindows() const { return toolWindows_.get(); }
    void DestroyToolWindows() { toolWindows_.reset(); }

private:
    int FindDataFolder();

    CString companyName_;
    CString companyFolderName_;
    CString productName_;
    CString productFolderName_;
    CString version_;
    CPath dataFolder_;
    CPath configDbPath_;
    CPath accountDbPath_;
    CPath addressDbPath_;
    CPath templateDbPath_;
    std::unique_ptr<CToolWindows> toolWindows_;
};

extern CDataStore theDataStore;
