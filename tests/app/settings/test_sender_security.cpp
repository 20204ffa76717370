// Verifies how a sender account logs in as stored: the loader that fills a send's security
// from ACCOUNT, ACCOUNT_AUTH and the keyring; the password kept in Account.mdb or in a real
// gnome-keyring (read back independently with secret-tool), moved between the two and
// deleted with the account; and, with no keyring on the bus or no bus at all, a clear
// NoKeyring that changes nothing instead of a silent fallback or a long wait. The password
// never shows in a detail, a Qt message, Account.mdb after it moved, or any file of the run.
// Run through run-keyring-tests, which gives each group a session bus of its own.

#include "../data/DataTestUtil.h"
#include "KeyringTestUtil.h"

#include "data/CAccountAuthSet.h"
#include "data/CAccountSet.h"
#include "settings/CPasswordStore.h"
#include "settings/CSenderSecurity.h"

#include <QCoreApplication>

#include <cstring>

#include <time.h>
#include <unistd.h>

using namespace datatest;
using namespace keyringtest;

namespace {

// Every message Qt or QtKeychain wrote while the tests ran (all on this one thread).
std::string qtMessages;

void Collect(QtMsgType, const QMessageLogContext&, const QString& text)
{
    qtMessages += text.toStdString() + "\n";
}

void StartQt()
{
    static int argc = 1;
    static char name[] = "test_sender_security";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        qInstallMessageHandler(Collect);
        return new QCoreApplication(argc, argv);
    }();
    (void)app;
}

std::string Utf8(const char8_t* text)
{
    return std::string(reinterpret_cast<const char*>(text));
}

double Seconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A password of this run only, with bytes outside ASCII: nothing else can hold it by chance.
std::string UniquePassword()
{
    return "Qk-" + std::to_string(getpid()) + "-" + std::to_string(static_cast<long long>(Seconds() * 1000)) +
           Utf8(u8"-ä漢");
}

// Files under `root` (recursively) that hold `secret`; with `since`, only files changed then or later.
std::vector<std::string> FilesHolding(const fs::path& root, const std::string& secret, time_t since = 0)
{
    std::vector<std::string> found;
    std::error_code error;
    if (root.empty() || !fs::exists(root, error)) return found;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) break;
        if (!it->is_regular_file(error) || it->is_symlink(error)) continue;
        struct stat info {};
        if (stat(it->path().c_str(), &info) != 0 || info.st_size > (16 << 20) || info.st_mtime < since) continue;
        if (ReadFile(it->path()).find(secret) != std::string::npos) found.push_back(it->path());
    }
    return found;
}

class SecurityTest : public DataFolderTest {
protected:
    void SetUp() override
    {
        DataFolderTest::SetUp();
        StartQt();
        CreateAll();
        CPasswordStore::SetTimeout(20000);
    }
    void TearDown() override
    {
        CPasswordStore::SetTimeout(0);
        DataFolderTest::TearDown();
    }

    long AddAccount(long port, int needAuth, const std::string& user, const std::string& password)
    {
        CAccountSet accounts;
        EXPECT_TRUE(accounts.Open());
        long id = 0;
        EXPECT_TRUE(accounts.Add("Sender", "sender@example.jp", "smtp.example.jp", port, needAuth, user.c_str(),
                                 password.c_str(), "", id));
        return id;
    }
    std::string Column(const char* sql) { return Sqlite(DataFolder() / "Account.mdb", sql); }
};

// No bus, or a bus where nothing answers for secrets.
class SenderSecurity : public SecurityTest {
protected:
    void SetUp() override
    {
        if (!Mode("none")) GTEST_SKIP() << "run through run-keyring-tests, never beside the user's own keyring";
        SecurityTest::SetUp();
    }
};
using NoKeyring = SenderSecurity;

// A real gnome-keyring-daemon of this run.
class Keyring : public SecurityTest {
protected:
    void SetUp() override
    {
        if (const char* why = std::getenv("QUILLON_TEST_KEYRING_SKIP")) GTEST_SKIP() << why;
        if (!Mode("running")) GTEST_SKIP() << "run through run-keyring-tests, never beside the user's own keyring";
        SecurityTest::SetUp();
        ASSERT_TRUE(CPasswordStore::IsAvailable());
        if (RunCommand("command -v secret-tool").empty()) GTEST_SKIP() << "secret-tool is missing (Debian package libsecret-tools)";
    }
};

}  // namespace

TEST_F(SenderSecurity, LoadFillsTheSecurityFromBothTablesOrTheirDefaults)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    const std::string password = Utf8(u8"pässwörd");
    const long plain = AddAccount(587, 1, Utf8(u8"はなこ"), password);
    const long pop = AddAccount(25, 1, "taro", "pw");
    const long open = AddAccount(25, 0, "", "");
    CAccountAuthSet auth;
    ASSERT_TRUE(auth.Open());
    ASSERT_TRUE(auth.Write(pop, CAccountAuthSet::MethodPopBeforeSmtp, CAccountAuthSet::SecurityNone, "pop.example.jp",
                           995, CAccountAuthSet::SecuritySslTls, 0));
    // Marked as kept in the keyring, but it needs no login: no keyring is asked.
    ASSERT_TRUE(auth.Write(open, CAccountAuthSet::MethodSmtpAuth, CAccountAuthSet::SecurityStartTls, "", 110,
                           CAccountAuthSet::SecurityNone, 1));
    auth.Close();

    CSmtpSecurity security;
    CString detail;
    // No row of its own: SMTP AUTH, STARTTLS for port 587, the password from Account.mdb.
    ASSERT_EQ(CSenderSecurity::Load(plain, security, detail), CSenderSecurity::Ok) << detail.Str();
    EXPECT_EQ(security.needAuth, 1);
    EXPECT_EQ(security.method, CSmtpSecurity::MethodSmtpAuth);
    EXPECT_EQ(security.tls, CSmtpSecurity::TlsStartTls);
    EXPECT_EQ(security.account.Str(), Utf8(u8"はなこ"));
    EXPECT_EQ(security.password.Str(), password);
    EXPECT_EQ(security.receivePort, 110);
    EXPECT_EQ(security.receiveTls, CSmtpSecurity::TlsAuto);
    EXPECT_FALSE(security.PopBeforeSmtp());

    ASSERT_EQ(CSenderSecurity::Load(pop, security, detail), CSenderSecurity::Ok);
    EXPECT_TRUE(security.PopBeforeSmtp());
    EXPECT_EQ(security.tls, CSmtpSecurity::TlsAuto);
    EXPECT_EQ(security.receiveServer, "pop.example.jp");
    EXPECT_EQ(security.receivePort, 995);
    EXPECT_EQ(security.receiveTls, CSmtpSecurity::TlsImplicit);
    EXPECT_EQ(security.account.Str(), "taro");
    EXPECT_EQ(security.password.Str(), "pw");

    ASSERT_EQ(CSenderSecurity::Load(open, security, detail), CSenderSecurity::Ok) << detail.Str();
    EXPECT_EQ(security.needAuth, 0);
    EXPECT_EQ(security.tls, CSmtpSecurity::TlsStartTls);
    EXPECT_EQ(security.password.Str(), "");

    EXPECT_EQ(CSenderSecurity::Load(999, security, detail), CSenderSecurity::NoAccount);
    EXPECT_EQ(detail, "差出人が見つかりません。");
}

TEST_F(SenderSecurity, APasswordInAccountMdbIsStoredAsItsBytesAtMost64)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    const long id = AddAccount(587, 1, "u", "old");
    const std::string password = Utf8(u8"新しいpässwörd");
    CString detail;
    ASSERT_EQ(CSenderSecurity::StorePassword(id, password, false, detail), CSenderSecurity::Ok);
    EXPECT_EQ(Column("SELECT SEND_PASSWORD FROM ACCOUNT"), password + "\n");
    EXPECT_EQ(Column("SELECT PASSWORD_IN_KEYRING FROM ACCOUNT_AUTH"), "0\n");
    std::string read;
    ASSERT_EQ(CSenderSecurity::ReadPassword(id, read, detail), CSenderSecurity::Ok);
    EXPECT_EQ(read, password);

    EXPECT_EQ(CSenderSecurity::StorePassword(id, std::string(64, 'k'), false, detail), CSenderSecurity::Ok);
    EXPECT_EQ(CSenderSecurity::StorePassword(id, std::string(65, 'x'), false, detail), CSenderSecurity::TooLong);
    EXPECT_EQ(detail, "パスワードは 64 バイトまでです。");
    EXPECT_EQ(Column("SELECT SEND_PASSWORD FROM ACCOUNT"), std::string(64, 'k') + "\n");
    EXPECT_EQ(CSenderSecurity::StorePassword(999, "x", false, detail), CSenderSecurity::NoAccount);

    ASSERT_EQ(CSenderSecurity::RemoveAccount(id, detail), CSenderSecurity::Ok);
    EXPECT_EQ(Column("SELECT (SELECT count(*) FROM ACCOUNT) + (SELECT count(*) FROM ACCOUNT_AUTH)"), "0\n");
    EXPECT_EQ(CSenderSecurity::RemoveAccount(id, detail), CSenderSecurity::NoAccount);
}

TEST_F(NoKeyring, EveryCallSaysSoAtOnceAndNothingChanges)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    EXPECT_FALSE(CPasswordStore::IsAvailable());
    CPasswordStore::SetTimeout(60000);
    const double start = Seconds();
    const std::string password = UniquePassword();
    std::string read;
    QString why;
    EXPECT_EQ(CPasswordStore::Write(1, password, &why), CPasswordStore::NoKeyring);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(CPasswordStore::Read(1, read), CPasswordStore::NoKeyring);
    EXPECT_EQ(CPasswordStore::Remove(1), CPasswordStore::NoKeyring);

    // The dialog asked for the keyring: it learns that there is none, and nothing was stored.
    const long id = AddAccount(587, 1, "u", "kept-in-mdb");
    CString detail;
    EXPECT_EQ(CSenderSecurity::StorePassword(id, password, true, detail), CSenderSecurity::NoKeyring);
    EXPECT_EQ(detail, "キーリング (Secret Service) に接続できないため、パスワードをキーリングに保管できません。");
    EXPECT_EQ(Column("SELECT SEND_PASSWORD FROM ACCOUNT"), "kept-in-mdb\n");
    EXPECT_EQ(Column("SELECT count(*) FROM ACCOUNT_AUTH"), "0\n");
    // The user takes the offer of Account.mdb.
    ASSERT_EQ(CSenderSecurity::StorePassword(id, password, false, detail), CSenderSecurity::Ok);
    EXPECT_EQ(Column("SELECT SEND_PASSWORD FROM ACCOUNT"), password + "\n");

    // An account whose password was put in a keyring that is gone: everything but the
    // password is loaded, and the caller is told why.
    CAccountAuthSet auth;
    ASSERT_TRUE(auth.Open());
    ASSERT_TRUE(auth.Write(id, CAccountAuthSet::MethodPopBeforeSmtp, 0, "pop.example.jp", 110, 0, 1));
    auth.Close();
    CSmtpSecurity security;
    EXPECT_EQ(CSenderSecurity::Load(id, security, detail), CSenderSecurity::NoKeyring);
    EXPECT_EQ(detail, "キーリング (Secret Service) に接続できないため、パスワードを読み出せません。");
    EXPECT_EQ(security.account.Str(), "u");
    EXPECT_TRUE(security.PopBeforeSmtp());
    EXPECT_EQ(security.receiveServer, "pop.example.jp");
    EXPECT_EQ(security.password.Str(), "");

    // Deleting it removes the rows and says that the secret could not be reached.
    EXPECT_EQ(CSenderSecurity::RemoveAccount(id, detail), CSenderSecurity::NoKeyring);
    EXPECT_EQ(detail, "差出人は削除しましたが、キーリングにあるパスワードを削除できませんでした。");
    EXPECT_EQ(Column("SELECT (SELECT count(*) FROM ACCOUNT) + (SELECT count(*) FROM ACCOUNT_AUTH)"), "0\n");

    // Not a speed check: no call waited for the time-out.
    EXPECT_LT(Seconds() - start, 30.0);
    EXPECT_EQ(qtMessages.find(password), std::string::npos);
}

TEST_F(Keyring, TheSecretRoundTripsThroughARealSecretService)
{
    const std::string password = UniquePassword();
    ASSERT_EQ(CPasswordStore::Write(41, password), CPasswordStore::Ok);
    EXPECT_EQ(SecretToolLookup(41), password);
    std::string read;
    ASSERT_EQ(CPasswordStore::Read(41, read), CPasswordStore::Ok);
    EXPECT_EQ(read, password);

    // At most 64 bytes.
    EXPECT_EQ(CPasswordStore::Write(41, std::string(64, 'k')), CPasswordStore::Ok);
    EXPECT_EQ(CPasswordStore::Write(41, std::string(65, 'x')), CPasswordStore::TooLong);
    EXPECT_EQ(SecretToolLookup(41), std::string(64, 'k'));

    // Each account its own key.
    ASSERT_EQ(CPasswordStore::Write(42, "other"), CPasswordStore::Ok);
    ASSERT_EQ(CPasswordStore::Remove(41), CPasswordStore::Ok);
    EXPECT_EQ(SecretToolLookup(41), "");
    EXPECT_EQ(CPasswordStore::Read(41, read), CPasswordStore::NotFound);
    EXPECT_EQ(CPasswordStore::Remove(41), CPasswordStore::Ok);
    EXPECT_EQ(SecretToolLookup(42), "other");
    EXPECT_EQ(CPasswordStore::Remove(42), CPasswordStore::Ok);
}

TEST_F(Keyring, APasswordMovedToTheKeyringLeavesNoTraceBehind)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    const time_t started = time(nullptr) - 1;
    const std::string password = UniquePassword();
    const long id = AddAccount(587, 1, "u", "");
    CString detail;
    // First in Account.mdb, as the design keeps it; then the box is ticked.
    ASSERT_EQ(CSenderSecurity::StorePassword(id, password, false, detail), CSenderSecurity::Ok);
    ASSERT_FALSE(FilesHolding(appData, password).empty());  // the search finds it where it is
    ASSERT_EQ(CSenderSecurity::StorePassword(id, password, true, detail), CSenderSecurity::Ok) << detail.Str();
    EXPECT_EQ(Column("SELECT typeof(SEND_PASSWORD) FROM ACCOUNT"), "null\n");
    EXPECT_EQ(Column("SELECT PASSWORD_IN_KEYRING FROM ACCOUNT_AUTH"), "1\n");
    EXPECT_EQ(SecretToolLookup(id), password);

    CSmtpSecurity security;
    ASSERT_EQ(CSenderSecurity::Load(id, security, detail), CSenderSecurity::Ok) << detail.Str();
    EXPECT_EQ(security.password.Str(), password);
    EXPECT_EQ(security.account.Str(), "u");

    // Neither the database nor its log, nor any file of this run, holds the bytes now; the
    // keyring's own file is encrypted.
    std::vector<std::string> holding = FilesHolding(appData, password);
    for (const char* root : {"QUILLON_TEST_KEYRING_HOME", "XDG_CONFIG_HOME"}) {
        auto more = FilesHolding(std::getenv(root) ? std::getenv(root) : "", password);
        holding.insert(holding.end(), more.begin(), more.end());
    }
    auto temporary = FilesHolding(fs::temp_directory_path(), password, started);
    holding.insert(holding.end(), temporary.begin(), temporary.end());
    EXPECT_TRUE(holding.empty()) << holding.front();

    // Back to Account.mdb: the keyring's copy goes.
    ASSERT_EQ(CSenderSecurity::StorePassword(id, password, false, detail), CSenderSecurity::Ok);
    EXPECT_EQ(detail, "");
    EXPECT_EQ(SecretToolLookup(id), "");
    EXPECT_EQ(Column("SELECT SEND_PASSWORD FROM ACCOUNT"), password + "\n");

    EXPECT_EQ(qtMessages.find(password), std::string::npos);
}

TEST_F(Keyring, DeletingAnAccountDeletesItsSecret)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    const long id = AddAccount(465, 1, "u", "");
    const long other = AddAccount(465, 1, "v", "");
    CString detail;
    ASSERT_EQ(CSenderSecurity::StorePassword(id, "first", true, detail), CSenderSecurity::Ok);
    ASSERT_EQ(CSenderSecurity::StorePassword(other, "second", true, detail), CSenderSecurity::Ok);
    ASSERT_EQ(SecretToolLookup(id), "first");

    ASSERT_EQ(CSenderSecurity::RemoveAccount(id, detail), CSenderSecurity::Ok) << detail.Str();
    EXPECT_EQ(SecretToolLookup(id), "");
    EXPECT_EQ(SecretToolLookup(other), "second");
    EXPECT_EQ(Column("SELECT group_concat(ACCOUNT_ID) FROM ACCOUNT_AUTH"), std::to_string(other) + "\n");
    std::string read;
    ASSERT_EQ(CSenderSecurity::ReadPassword(other, read, detail), CSenderSecurity::Ok);
    EXPECT_EQ(read, "second");
    ASSERT_EQ(CSenderSecurity::RemoveAccount(other, detail), CSenderSecurity::Ok);
    EXPECT_EQ(SecretToolLookup(other), "");
}
