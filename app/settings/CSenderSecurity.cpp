#include "settings/CSenderSecurity.h"

#include "data/CAccountAuthSet.h"
#include "data/CAccountSet.h"
#include "settings/CPasswordStore.h"
#include "command/QtText.h"

namespace {

const char* const kNoAccount = "差出人が見つかりません。";
const char* const kTooLong = "パスワードは 64 バイトまでです。";
const char* const kNotSaved = "差出人データベースに書き込めませんでした。";
const char* const kNoKeyring =
    "キーリング (Secret Service) に接続できないため、パスワードをキーリングに保管できません。";
const char* const kNoKeyringToRead = "キーリング (Secret Service) に接続できないため、パスワードを読み出せません。";
const char* const kNotInKeyring = "キーリングにこの差出人のパスワードがありません。";
const char* const kKeyringFailed = "キーリングを使えませんでした。";
const char* const kOldCopyStays = "パスワードは保存しましたが、キーリングにある古いパスワードを削除できませんでした。";
const char* const kSecretStays = "差出人は削除しましたが、キーリングにあるパスワードを削除できませんでした。";

CSmtpSecurity::TlsMode ToTlsMode(long security)
{
    if (security == CAccountAuthSet::SecurityStartTls) return CSmtpSecurity::TlsStartTls;
    if (security == CAccountAuthSet::SecuritySslTls) return CSmtpSecurity::TlsImplicit;
    return CSmtpSecurity::TlsAuto;
}

// Makes the account's ACCOUNT row current, and reads its row of ACCOUNT_AUTH into `auth`, or
// the defaults for its port when it has none (or the file lacks the table). 0 with the
// detail set when there is no such account; `auth` is closed again.
int ReadAccount(long accountId, CAccountSet& account, CAccountAuthSet& auth, CString& detail)
{
    if (!account.Open() || !account.FindById(accountId)) {
        detail = kNoAccount;
        return 0;
    }
    if (!auth.Open() || !auth.FindById(accountId)) auth.SetDefaults(accountId, account.sendPort);
    auth.Close();
    return 1;
}

// A keyring result as a status with its text; `lead` says what could not be done.
CSenderSecurity::Status KeyringStatus(CPasswordStore::Result result, const QString& why, const char* lead,
                                      CString& detail)
{
    if (result == CPasswordStore::NoKeyring) {
        detail = lead;
        return CSenderSecurity::NoKeyring;
    }
    detail = result == CPasswordStore::NotFound ? kNotInKeyring : kKeyringFailed;
    if (!why.isEmpty()) {
        detail += "\r\n\r\n";
        detail += FromQString(why);
    }
    return CSenderSecurity::KeyringFailed;
}

}  // namespace

CSenderSecurity::Status CSenderSecurity::ReadPassword(long accountId, std::string& password, CString& detail)
{
    password.clear();
    detail.Empty();
    CAccountSet account;
    CAccountAuthSet auth;
    if (!ReadAccount(accountId, account, auth, detail)) return NoAccount;
    if (!auth.passwordInKeyring) {
        password = account.sendPassword;
        CSmtpSecurity::WipeBytes(account.sendPassword);
        return Ok;
    }
    QString why;
    CPasswordStore::Result result = CPasswordStore::Read(accountId, password, &why);
    if (result == CPasswordStore::Ok) return Ok;
    return KeyringStatus(result, why, kNoKeyringToRead, detail);
}

CSenderSecurity::Status CSenderSecurity::Load(long accountId, CSmtpSecurity& security, CString& detail)
{
    security = CSmtpSecurity{};
    detail.Empty();
    CAccountSet account;
    CAccountAuthSet auth;
    if (!ReadAccount(accountId, account, auth, detail)) return NoAccount;
    security.needAuth = account.needSendAuth;
    security.account = account.sendAccount;
    security.method = auth.authMethod == CAccountAuthSet::MethodPopBeforeSmtp ? CSmtpSecurity::MethodPopBeforeSmtp
                                                                              : CSmtpSecurity::MethodSmtpAuth;
    security.tls = ToTlsMode(auth.sendSecurity);
    security.receiveServer = auth.receiveServer;
    security.receivePort = static_cast<int>(auth.receivePort);
    security.receiveTls = ToTlsMode(auth.receiveSecurity);
    CSmtpSecurity::WipeBytes(account.sendPassword);
    // Without authentication no password is needed, and no keyring is asked to unlock.
    if (!security.needAuth) return Ok;
    return ReadPassword(accountId, security.password.Str(), detail);
}

CSenderSecurity::Status CSenderSecurity::StorePassword(long accountId, const std::string& password, bool inKeyring,
                                                       CString& detail)
{
    detail.Empty();
    if (password.size() > CPasswordStore::MaxPasswordBytes) {
        detail = kTooLong;
        return TooLong;
    }
    CAccountSet account;
    CAccountAuthSet auth;
    if (!ReadAccount(accountId, account, auth, detail)) return NoAccount;
    auth.Close();
    const bool wasInKeyring = auth.passwordInKeyring != 0;

    QString why;
    if (inKeyring) {
        CPasswordStore::Result result = CPasswordStore::Write(accountId, password, &why);
        if (result != CPasswordStore::Ok) return KeyringStatus(result, why, kNoKeyring, detail);
    }
    if (!account.WritePassword(accountId, password, inKeyring ? 1 : 0)) {
        detail = kNotSaved;
        return DatabaseError;
    }
    if (!inKeyring && wasInKeyring && CPasswordStore::Remove(accountId, &why) != CPasswordStore::Ok) detail = kOldCopyStays;
    return Ok;
}

CSenderSecurity::Status CSenderSecurity::RemoveAccount(long accountId, CString& detail)
{
    detail.Empty();
    CAccountSet account;
    CAccountAuthSet auth;
    if (!ReadAccount(accountId, account, auth, detail)) return NoAccount;
    const bool inKeyring = auth.passwordInKeyring != 0;
    if (!account.Remove(accountId)) {
        detail = kNotSaved;
        return DatabaseError;
    }
    if (!inKeyring) return Ok;
    QString why;
    CPasswordStore::Result result = CPasswordStore::Remove(accountId, &why);
    if (result == CPasswordStore::Ok) return Ok;
    return KeyringStatus(result, why, kSecretStays, detail);
}
