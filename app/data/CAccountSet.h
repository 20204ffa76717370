#pragma once
// Sender accounts: the ACCOUNT table of Account.mdb.

#include "data/CKeyedSet.h"

class CAccountSet : public CKeyedSet {
public:
    // An empty path means theDataStore's Account.mdb.
    explicit CAccountSet(const CPath& databasePath = CPath());

    int Add(const char* displayName, const char* mailAddress, const char* sendServer,
            long sendPort, int needSendAuth, const char* sendAccount, const char* sendPassword,
            const char* replyMailAddress, long& newId);
    int Modify(long id, const char* displayName, const char* mailAddress,
               const char* sendServer, long sendPort, int needSendAuth,
               const char* sendAccount, const char* sendPassword,
               const char* replyMailAddress);

    long id = 0;
    CString displayName;       // Text(255)
    CString mailAddress;       // Text(255)
    CString sendServer;        // Text(255)
    long sendPort = 0;
    int needSendAuth = 0;
    CString sendAccount;       // Text(64)
    CString sendPassword;      // Text(64)
    CString replyMailAddress;  // Text(255)

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};
