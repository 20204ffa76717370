#pragma once
// What a sender account needs beyond the designed ACCOUNT columns to log in with today's
// providers: the table ACCOUNT_AUTH of Account.mdb, our own, one row per account keyed by
// ACCOUNT.ID. The designed tables stay exactly as they are; CDataStore creates this one at
// start when it is missing (also in a file made by an earlier version).
//
//   ACCOUNT_ID          INTEGER PRIMARY KEY  the account's ACCOUNT.ID
//   AUTH_METHOD         INTEGER  0 SMTP AUTH, 1 POP before SMTP (used when NEED_SEND_AUTH)
//   SEND_SECURITY       INTEGER  the SMTP connection: 0 none, 1 STARTTLS, 2 SSL/TLS
//   RECEIVE_SERVER      TEXT     the POP3 server of POP before SMTP, at most 255 bytes
//   RECEIVE_PORT        INTEGER  its port
//   RECEIVE_SECURITY    INTEGER  its connection: 0 none, 1 STARTTLS (STLS), 2 SSL/TLS
//   PASSWORD_IN_KEYRING INTEGER  1: the password is in the desktop's keyring, SEND_PASSWORD empty
//
// An account without a row means the defaults of SetDefaults. The security values are those
// of CSmtpSecurity::TlsMode (none is TlsAuto, which is plain except on the ports of implicit
// TLS).

#include "data/CKeyedSet.h"

// Keyed by ACCOUNT_ID (given, not made): FindById, Remove and RequeryAll of CKeyedSet
// find and delete the account's row.
class CAccountAuthSet : public CKeyedSet {
public:
    enum Method { MethodSmtpAuth = 0, MethodPopBeforeSmtp = 1 };
    enum Security { SecurityNone = 0, SecurityStartTls = 1, SecuritySslTls = 2 };
    enum { DefaultPopPort = 110, DefaultPopTlsPort = 995 };

    // An empty path means theDataStore's Account.mdb.
    explicit CAccountAuthSet(const CPath& databasePath = CPath());

    // Writes the values as the account's row, adding the row when it is missing.
    int Write(long accountId, long authMethod, long sendSecurity, const char* receiveServer,
              long receivePort, long receiveSecurity, int passwordInKeyring);
    // Writes only the keyring flag (the row is added with defaults for `sendPort` if missing).
    int WritePasswordInKeyring(long accountId, long sendPort, int passwordInKeyring);

    // The members as an account without a row of its own has them: SMTP AUTH, the send
    // security that the send port suggests, POP3 on port 110 without encryption, the password
    // in ACCOUNT.
    void SetDefaults(long accountId, long sendPort);
    // 465: SSL/TLS, 587: STARTTLS, any other port: none.
    static long DefaultSendSecurity(long sendPort);
    // 995 with SSL/TLS, else 110.
    static long DefaultReceivePort(long receiveSecurity);

    // Deletes the account's row inside the caller's transaction on `db`; a file without the
    // table has nothing to delete. Throws CDbException on an engine error.
    static void DeleteRow(CDatabase& db, long accountId);

    long accountId = 0;
    long authMethod = MethodSmtpAuth;
    long sendSecurity = SecurityNone;
    CString receiveServer;  // Text(255)
    long receivePort = DefaultPopPort;
    long receiveSecurity = SecurityNone;
    int passwordInKeyring = 0;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
