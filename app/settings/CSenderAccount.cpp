#include "settings/CSenderAccount.h"

#include "data/CAccountAuthSet.h"
#include "data/CAccountSet.h"
#include "smtp/CSmtpSecurity.h"

#include <cstdio>

namespace {

const char* const kNoAccount = "差出人が見つかりません。";
const char* const kNotOpened = "差出人データベースを開けませんでした。";
const char* const kNotSaved = "差出人データベースに書き込めませんでした。";

struct Field {
    const char* column;
    const char* name;
    bool bytes;  // counted in UTF-8 bytes, not code page 932
};

const Field kFields[] = {
    {"DISPLAY_NAME", "差出人名", false},      {"MAIL_ADDRESS", "メールアドレス", false},
    {"SEND_SERVER", "送信サーバー", false},   {"REPLY_MAIL_ADDRESS", "返信先アドレス", false},
    {"SEND_ACCOUNT", "ユーザーID", true},     {"SEND_PASSWORD", "パスワード", true},
    {"RECEIVE_SERVER", "受信サーバー", false},
};

}  // namespace

CSenderAccount::CSenderAccount()
{
    CAccountAuthSet defaults;
    defaults.SetDefaults(0, sendPort);
    authMethod = defaults.authMethod;
    sendSecurity = defaults.sendSecurity;
    receivePort = defaults.receivePort;
    receiveSecurity = defaults.receiveSecurity;
}

CSenderAccount::~CSenderAccount()
{
    CSmtpSecurity::WipeBytes(password);
}

CSenderAccount::CSenderAccount(const CSenderAccount& other) = default;

CSenderAccount& CSenderAccount::operator=(const CSenderAccount& other)
{
    if (this != &other) {
        CSmtpSecurity::WipeBytes(password);
        id = other.id;
        displayName = other.displayName;
        mailAddress = other.mailAddress;
        sendServer = other.sendServer;
        sendPort = other.sendPort;
        replyMailAddress = other.replyMailAddress;
        needSendAuth = other.needSendAuth;
        authMethod = other.authMethod;
        sendSecurity = other.sendSecurity;
        receiveServer = other.receiveServer;
        receivePort = other.receivePort;
        receiveSecurity = other.receiveSecurity;
        sendAccount = other.sendAccount;
        password = other.password;
        passwordKnown = other.passwordKnown;
        passwordInKeyring = other.passwordInKeyring;
        passwordChanged = other.passwordChanged;
        tooLongColumn_ = other.tooLongColumn_;
    }
    return *this;
}

CSenderSecurity::Status CSenderAccount::Load(long accountId, CString& detail)
{
    detail.Empty();
    CAccountSet account;
    if (!account.Open() || !account.FindById(accountId)) {
        detail = kNoAccount;
        return CSenderSecurity::NoAccount;
    }
    id = accountId;
    displayName = account.displayName;
    mailAddress = account.mailAddress;
    sendServer = account.sendServer;
    sendPort = account.sendPort;
    replyMailAddress = account.replyMailAddress;
    needSendAuth = account.needSendAuth;
    sendAccount = account.sendAccount;
    CSmtpSecurity::WipeBytes(account.sendPassword);

    CAccountAuthSet auth;
    if (!auth.Open() || !auth.FindById(accountId)) auth.SetDefaults(accountId, sendPort);
    authMethod = auth.authMethod;
    sendSecurity = auth.sendSecurity;
    receiveServer = auth.receiveServer;
    receivePort = auth.receivePort;
    receiveSecurity = auth.receiveSecurity;
    passwordInKeyring = auth.passwordInKeyring != 0;
    CSmtpSecurity::WipeBytes(password);
    passwordKnown = false;
    passwordChanged = false;
    return CSenderSecurity::Ok;
}

CSenderSecurity::Status CSenderAccount::LoadPassword(CString& detail)
{
    detail.Empty();
    if (passwordKnown || passwordChanged) return CSenderSecurity::Ok;
    if (id == 0) {
        passwordKnown = true;
        return CSenderSecurity::Ok;
    }
    CSenderSecurity::Status status = CSenderSecurity::ReadPassword(id, password, detail);
    passwordKnown = status == CSenderSecurity::Ok;
    return status;
}

CSenderSecurity::Status CSenderAccount::Failed(const CRecordset& set, CString& detail)
{
    tooLongColumn_ = set.GetTooLongColumn();
    if (tooLongColumn_.empty()) {
        detail = kNotSaved;
        return CSenderSecurity::DatabaseError;
    }
    detail = TooLongText(tooLongColumn_, set.GetTooLongLimit());
    return CSenderSecurity::ValueTooLong;
}

CSenderSecurity::Status CSenderAccount::Save(CString& detail)
{
    detail.Empty();
    tooLongColumn_.clear();
    CAccountSet accounts;
    if (!accounts.Open()) {
        detail = kNotOpened;
        return CSenderSecurity::DatabaseError;
    }
    // The designed columns of the login: the user name, and the password as it is stored
    // now (StorePassword below changes it, and only when asked).
    int storedInKeyring = 0;
    if (id != 0) {
        if (!accounts.FindById(id)) {
            detail = kNoAccount;
            return CSenderSecurity::NoAccount;
        }
        std::string stored = accounts.sendPassword;
        CSmtpSecurity::WipeBytes(accounts.sendPassword);
        CAccountAuthSet current;
        if (current.Open() && current.FindById(id)) storedInKeyring = current.passwordInKeyring;
        const int written = accounts.Modify(id, displayName.GetString(), mailAddress.GetString(), sendServer.GetString(),
                                            sendPort, needSendAuth, sendAccount.c_str(), stored.c_str(),
                                            replyMailAddress.GetString());
        CSmtpSecurity::WipeBytes(stored);
        if (!written) return Failed(accounts, detail);
    } else {
        long newId = 0;
        if (!accounts.Add(displayName.GetString(), mailAddress.GetString(), sendServer.GetString(), sendPort,
                          needSendAuth, sendAccount.c_str(), "", replyMailAddress.GetString(), newId))
            return Failed(accounts, detail);
        id = newId;
        // Nothing is stored yet: a password typed for it, or the keyring chosen, is stored now.
        passwordChanged = passwordChanged || !password.empty() || passwordInKeyring;
    }
    accounts.Close();

    CAccountAuthSet auth;
    if (!auth.Open()) {
        detail = kNotOpened;
        return CSenderSecurity::DatabaseError;
    }
    if (!auth.Write(id, authMethod, sendSecurity, receiveServer.GetString(), receivePort, receiveSecurity,
                    storedInKeyring))
        return Failed(auth, detail);
    auth.Close();

    if (!passwordChanged) return CSenderSecurity::Ok;
    CSenderSecurity::Status status = CSenderSecurity::StorePassword(id, password, passwordInKeyring, detail);
    if (status == CSenderSecurity::Ok) {
        passwordChanged = false;
        passwordKnown = true;
    }
    return status;
}

CString CSenderAccount::TooLongText(const std::string& column, int maxBytes)
{
    const Field* field = nullptr;
    for (const Field& candidate : kFields)
        if (column == candidate.column) field = &candidate;
    CString text = field ? field->name : "入力";
    char limit[128];
    if (field && field->bytes)
        std::snprintf(limit, sizeof limit, "が長すぎます。%d バイト (UTF-8) までにしてください。", maxBytes);
    else
        std::snprintf(limit, sizeof limit, "が長すぎます。半角 %d 文字 (全角 %d 文字) までにしてください。", maxBytes,
                      maxBytes / 2);
    text += limit;
    return text;
}

long CSenderAccount::SendSecurityAfterPortChange(long security, long oldPort, long newPort)
{
    return security == CAccountAuthSet::DefaultSendSecurity(oldPort) ? CAccountAuthSet::DefaultSendSecurity(newPort)
                                                                     : security;
}
