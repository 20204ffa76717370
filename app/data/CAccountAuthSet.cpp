#include "data/CAccountAuthSet.h"

#include "data/CAccountSet.h"
#include "data/CDataStore.h"
#include "data/CDbException.h"

CAccountAuthSet::CAccountAuthSet(const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetAccountDbPath() : databasePath,
                "ACCOUNT_AUTH", "ACCOUNT_ID")
{
}

void CAccountAuthSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Long("ACCOUNT_ID", accountId);
    fx.Long("AUTH_METHOD", authMethod);
    fx.Long("SEND_SECURITY", sendSecurity);
    fx.Text("RECEIVE_SERVER", receiveServer, CAccountSet::MaxTextBytes);
    fx.Long("RECEIVE_PORT", receivePort);
    fx.Long("RECEIVE_SECURITY", receiveSecurity);
    fx.Bool("PASSWORD_IN_KEYRING", passwordInKeyring);
}

long CAccountAuthSet::DefaultSendSecurity(long sendPort)
{
    if (sendPort == 465) return SecuritySslTls;
    if (sendPort == 587) return SecurityStartTls;
    return SecurityNone;
}

long CAccountAuthSet::DefaultReceivePort(long receiveSecurity)
{
    return receiveSecurity == SecuritySslTls ? DefaultPopTlsPort : DefaultPopPort;
}

void CAccountAuthSet::SetDefaults(long accountId, long sendPort)
{
    this->accountId = accountId;
    authMethod = MethodSmtpAuth;
    sendSecurity = DefaultSendSecurity(sendPort);
    receiveServer.Empty();
    receiveSecurity = SecurityNone;
    receivePort = DefaultReceivePort(receiveSecurity);
    passwordInKeyring = 0;
}

int CAccountAuthSet::Write(long accountId, long authMethod, long sendSecurity, const char* receiveServer,
                           long receivePort, long receiveSecurity, int passwordInKeyring)
{
    NoteWriteError(nullptr);
    try {
        CTransaction transaction(GetDatabase());
        if (FindKey(accountId)) Edit();
        else AddNew();
        this->accountId = accountId;
        this->authMethod = authMethod;
        this->sendSecurity = sendSecurity;
        this->receiveServer = receiveServer ? receiveServer : "";
        this->receivePort = receivePort;
        this->receiveSecurity = receiveSecurity;
        this->passwordInKeyring = passwordInKeyring != 0;
        Update();
        transaction.Commit();
        return 1;
    } catch (const CDbException& error) {
        NoteWriteError(&error);
        RecoverFromFailedWrite();
        return 0;
    }
}

int CAccountAuthSet::WritePasswordInKeyring(long accountId, long sendPort, int passwordInKeyring)
{
    if (!FindById(accountId)) SetDefaults(accountId, sendPort);
    return Write(accountId, authMethod, sendSecurity, receiveServer.GetString(), receivePort, receiveSecurity,
                 passwordInKeyring);
}

void CAccountAuthSet::DeleteRow(CDatabase& db, long accountId)
{
    CDbStatement table(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ACCOUNT_AUTH'");
    if (!table.Step()) return;
    db.Execute("DELETE FROM \"ACCOUNT_AUTH\" WHERE \"ACCOUNT_ID\" = ?", {static_cast<std::int64_t>(accountId)});
}
