#pragma once
// One sender account as the sender dialogs edit it: its ACCOUNT row, its ACCOUNT_AUTH row, and
// the password with the place where it is kept. Load reads the rows; the password is read
// only on demand (LoadPassword), so that changing a name never asks the keyring to unlock.
// Save writes everything the dialogs changed. No widgets.
//
// The user name and the password are bytes (UTF-8 as typed), never code page 932. The
// password is wiped when the object goes.

#include "settings/CSenderSecurity.h"

#include "encoding/CString.h"

#include <string>

class CRecordset;

class CSenderAccount {
public:
    enum { DefaultSendPort = 25 };

    // A new account: port 25, no authentication, the defaults of CAccountAuthSet.
    CSenderAccount();
    ~CSenderAccount();
    CSenderAccount(const CSenderAccount& other);
    CSenderAccount& operator=(const CSenderAccount& other);

    // Reads the account's rows (its ACCOUNT_AUTH row, or the defaults for its port).
    // NoAccount with the detail set when it is gone.
    CSenderSecurity::Status Load(long accountId, CString& detail);
    // Reads the password wherever it is kept, once (nothing to read for a new account).
    // NoKeyring or KeyringFailed with the detail set when the keyring cannot give it.
    CSenderSecurity::Status LoadPassword(CString& detail);

    // Writes the account: ACCOUNT (Add for a new account, which sets `id`, else Modify, the
    // stored password kept), its ACCOUNT_AUTH row, then, when `passwordChanged`, the password
    // where `passwordInKeyring` says (CSenderSecurity::StorePassword). Returns:
    //   ValueTooLong   a value longer than its column; GetTooLongColumn names it, the detail
    //                  says which field and its limit; nothing of the failed step was written
    //   DatabaseError  Account.mdb could not be written
    //   NoAccount      the account was deleted meanwhile
    //   NoKeyring, KeyringFailed, TooLong
    //                  the rows are written (`id` is set) but the password is not; the
    //                  caller may clear `passwordInKeyring` and Save again
    // Ok may come with a detail worth showing (an old copy in the keyring stayed).
    CSenderSecurity::Status Save(CString& detail);

    // "<field>が長すぎます。..." for a column of ACCOUNT or ACCOUNT_AUTH and its limit.
    static CString TooLongText(const std::string& column, int maxBytes);
    const std::string& GetTooLongColumn() const { return tooLongColumn_; }

    // The send security that follows a port change: kept when the user chose another one,
    // else the port's default (CAccountAuthSet::DefaultSendSecurity).
    static long SendSecurityAfterPortChange(long security, long oldPort, long newPort);

    long id = 0;  // 0 until stored
    CString displayName;
    CString mailAddress;
    CString sendServer;
    long sendPort = DefaultSendPort;
    CString replyMailAddress;

    int needSendAuth = 0;
    long authMethod;
    long sendSecurity;
    CString receiveServer;
    long receivePort;
    long receiveSecurity;
    std::string sendAccount;  // bytes

    std::string password;  // bytes; valid when passwordKnown
    bool passwordKnown = false;
    // Where the password is (or, once saved, is to be) kept.
    bool passwordInKeyring = false;
    // The password or its place was changed: Save stores it.
    bool passwordChanged = false;

private:
    CSenderSecurity::Status Failed(const CRecordset& set, CString& detail);

    std::string tooLongColumn_;
};
