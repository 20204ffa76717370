#pragma once
// Sender accounts: the ACCOUNT table of Account.mdb. The user name and the password are
// bytes (UTF-8 as typed), not text of the system: they are stored and read as they are, and
// their limit of 64 counts those bytes.

#include "data/CKeyedSet.h"

#include <string>

class CAccountSet : public CKeyedSet {
public:
    // The column limits: Text(255) in code page 932 bytes, and Text(64) for the user name
    // and the password in their own bytes.
    enum { MaxTextBytes = 255, MaxCredentialBytes = 64 };

    // An empty path means theDataStore's Account.mdb.
    explicit CAccountSet(const CPath& databasePath = CPath());

    int Add(const char* displayName, const char* mailAddress, const char* sendServer,
            long sendPort, int needSendAuth, const char* sendAccount, const char* sendPassword,
            const char* replyMailAddress, long& newId);
    int Modify(long id, const char* displayName, const char* mailAddress,
               const char* sendServer, long sendPort, int needSendAuth,
               const char* sendAccount, const char* sendPassword,
               const char* replyMailAddress);
    // Deletes the account's row and its row of ACCOUNT_AUTH together; 0 when there is no
    // such account. The password kept in the keyring is the caller's (CSenderSecurity).
    [[nodiscard]] int Remove(long id);
    // Puts the account's password where it is kept, in one transaction: `password` into
    // SEND_PASSWORD and ACCOUNT_AUTH.PASSWORD_IN_KEYRING cleared, or with `inKeyring`
    // SEND_PASSWORD emptied and the flag set (the keyring itself is the caller's). The row of
    // ACCOUNT_AUTH is added with its defaults when missing. Afterwards the write-ahead log
    // is folded into the file and emptied, so the replaced bytes leave the disk at once.
    [[nodiscard]] int WritePassword(long id, const std::string& password, int inKeyring);

    long id = 0;
    CString displayName;       // Text(255)
    CString mailAddress;       // Text(255)
    CString sendServer;        // Text(255)
    long sendPort = 0;
    int needSendAuth = 0;
    std::string sendAccount;   // Text(64), bytes
    std::string sendPassword;  // Text(64), bytes; empty when the password is in the keyring
    CString replyMailAddress;  // Text(255)

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
