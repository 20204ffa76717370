#pragma once
// How a sender account logs in, read and written as one: the designed ACCOUNT columns
// (NEED_SEND_AUTH, SEND_ACCOUNT, SEND_PASSWORD), our own ACCOUNT_AUTH row and the keyring
// (CPasswordStore). The Address page calls Load before CMailDoc::SetSendSecurity; the sender
// dialogs call the rest.
//
// Every operation returns a Status; for anything but Ok, `detail` holds a Japanese text the
// caller can show as it stands. Passwords are bytes (UTF-8), at most 64, and never appear in
// a detail.

#include "encoding/CString.h"
#include "smtp/CSmtpSecurity.h"

#include <string>

class CSenderSecurity {
public:
    enum Status {
        Ok = 0,
        NoAccount,      // no such account, or Account.mdb cannot be read
        NoKeyring,      // no keyring answers (see CPasswordStore): offer Account.mdb instead
        KeyringFailed,  // the keyring answered but refused or lacks the secret
        TooLong,        // a password of more than 64 bytes
        DatabaseError,  // Account.mdb could not be written
        ValueTooLong,   // a value longer than its column (CSenderAccount::Save)
    };

    // Fills `security` for the account: authentication from NEED_SEND_AUTH and SEND_ACCOUNT,
    // the method, both connections' security and the receive server from ACCOUNT_AUTH (or
    // their defaults, see CAccountAuthSet), and the password from SEND_PASSWORD or, when the
    // account keeps it there, from the keyring (only read when authentication is on). With
    // NoKeyring or KeyringFailed everything but the password is filled, so the caller can
    // still choose to send.
    static Status Load(long accountId, CSmtpSecurity& security, CString& detail);

    // The account's password wherever it is kept, for the authentication dialog.
    static Status ReadPassword(long accountId, std::string& password, CString& detail);

    // Keeps the password in the keyring (`inKeyring`; SEND_PASSWORD then holds nothing) or in
    // Account.mdb (any copy in the keyring is then deleted). On NoKeyring, KeyringFailed or
    // TooLong nothing has changed, so the dialog can say so and offer the other place. Ok
    // may come with a detail: the password is stored, but an old copy in the keyring could
    // not be deleted.
    static Status StorePassword(long accountId, const std::string& password, bool inKeyring, CString& detail);

    // Deletes the account fully: its ACCOUNT row and ACCOUNT_AUTH row in one transaction,
    // then its secret in the keyring when it kept one there. NoKeyring or KeyringFailed after
    // the rows are gone means the secret stayed in the keyring (`detail` says so).
    static Status RemoveAccount(long accountId, CString& detail);
};
