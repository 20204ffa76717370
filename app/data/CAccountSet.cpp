#include "data/CAccountSet.h"

#include "data/CDataStore.h"

CAccountSet::CAccountSet(const CPath& databasePath)
    : CKeyedSet(databasePath.IsEmpty() ? theDataStore.GetAccountDbPath() : databasePath,
                "ACCOUNT", "ID")
{
}

void CAccountSet::DoFieldExchange(CFieldExchange& fx)
{
    fx.Id("ID", id);
    fx.Text("DISPLAY_NAME", displayName, 255);
    fx.Text("MAIL_ADDRESS", mailAddress, 255);
    fx.Text("SEND_SERVER", sendServer, 255);
    fx.Long("SEND_PORT", sendPort);
    fx.Bool("NEED_SEND_AUTH", needSendAuth);
    fx.Text("SEND_ACCOUNT", sendAccount, 64);
    fx.Text("SEND_PASSWORD", sendPassword, 64);
    fx.Text("REPLY_MAIL_ADDRESS", replyMailAddress, 255);
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
            this->sendAccount = sendAccount;
            this->sendPassword = sendPassword;
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
        this->sendAccount = sendAccount;
        this->sendPassword = sendPassword;
        this->replyMailAddress = replyMailAddress;
    });
}
