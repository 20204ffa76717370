#include "data/CAccountSet.h"

#include "data/CAccountAuthSet.h"
#include "data/CDataStore.h"
#include "data/CDbException.h"

CAccountSet::CAccountSet(const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetAccountDbPath() : databasePath,
                "ACCOUNT", "ID")
{
}

void CAccountSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Id("ID", id);
    fx.Text("DISPLAY_NAME", displayName, MaxTextBytes);
    fx.Text("MAIL_ADDRESS", mailAddress, MaxTextBytes);
    fx.Text("SEND_SERVER", sendServer, MaxTextBytes);
    fx.Long("SEND_PORT", sendPort);
    fx.Bool("NEED_SEND_AUTH", needSendAuth);
    fx.Bytes("SEND_ACCOUNT", sendAccount, MaxCredentialBytes);
    fx.Bytes("SEND_PASSWORD", sendPassword, MaxCredentialBytes);
    fx.Text("REPLY_MAIL_ADDRESS", replyMailAddress, MaxTextBytes);
}

int CAccountSet::Add(const char* displayName, const char* mailAddress, const char* sendServer,
                     long sendPort, int needSendAuth, const char* sendAccount,
                     const char* sendPassword, const char* replyMailAddress, long& newId)
{
    return AddRow(
        [&] {
            this->displayName = displayName;
            this->mailAddress = mailAddress;
            this->sendServer = sendServer;
            this->sendPort = sendPort;
            this->needSendAuth = needSendAuth;
            this->sendAccount = sendAccount ? sendAccount : "";
            this->sendPassword = sendPassword ? sendPassword : "";
            this->replyMailAddress = replyMailAddress;
        },
        newId);
}

int CAccountSet::Modify(long id, const char* displayName, const char* mailAddress,
                        const char* sendServer, long sendPort, int needSendAuth,
                        const char* sendAccount, const char* sendPassword,
                        const char* replyMailAddress)
{
    return ModifyRow(id, [&] {
        this->displayName = displayName;
        this->mailAddress = mailAddress;
        this->sendServer = sendServer;
        this->sendPort = sendPort;
        this->needSendAuth = needSendAuth;
        this->sendAccount = sendAccount ? sendAccount : "";
        this->sendPassword = sendPassword ? sendPassword : "";
        this->replyMailAddress = replyMailAddress;
    });
}

int CAccountSet::Remove(long id)
{
    try {
        CTransaction transaction(GetDatabase());
        if (!FindKey(id)) return 0;
        Delete();
        CAccountAuthSet::DeleteRow(GetDatabase(), id);
        transaction.Commit();
        return 1;
    } catch (const CDbException&) {
        Invalidate();
        return 0;
    }
}

int CAccountSet::WritePassword(long id, const std::string& password, int inKeyring)
{
    try {
        {
            CTransaction transaction(GetDatabase());
            if (!FindKey(id)) return 0;
            Edit();
            sendPassword = inKeyring ? std::string() : password;
            Update();
            // One connection for both tables: a second one would wait for this one's lock.
            GetDatabase().Execute(
                "INSERT INTO \"ACCOUNT_AUTH\" (\"ACCOUNT_ID\", \"AUTH_METHOD\", \"SEND_SECURITY\","
                " \"RECEIVE_SERVER\", \"RECEIVE_PORT\", \"RECEIVE_SECURITY\", \"PASSWORD_IN_KEYRING\")"
                " VALUES (?, ?, ?, NULL, ?, ?, ?) ON CONFLICT (\"ACCOUNT_ID\") DO UPDATE SET"
                " \"PASSWORD_IN_KEYRING\" = excluded.\"PASSWORD_IN_KEYRING\"",
                {static_cast<std::int64_t>(id), static_cast<std::int64_t>(CAccountAuthSet::MethodSmtpAuth),
                 static_cast<std::int64_t>(CAccountAuthSet::DefaultSendSecurity(sendPort)),
                 static_cast<std::int64_t>(CAccountAuthSet::DefaultPopPort),
                 static_cast<std::int64_t>(CAccountAuthSet::SecurityNone), static_cast<std::int64_t>(inKeyring != 0)});
            transaction.Commit();
        }
        GetDatabase().Execute("PRAGMA wal_checkpoint(TRUNCATE)");
        return 1;
    } catch (const CDbException&) {
        RecoverFromFailedWrite();
        return 0;
    }
}
