// Verifies our own table ACCOUNT_AUTH beside the designed ones: made in a new Account.mdb and
// added to one of an earlier version (whose rows and designed tables stay exactly as they
// were, and which becomes private to the user), its recordset and its defaults, deleting an
// account together with its row, and that a password written over leaves no trace in the file.

#include "DataTestUtil.h"

#include "data/CAccountAuthSet.h"
#include "data/CAccountSet.h"
#include "data/CDatabase.h"

#include <sys/stat.h>

using namespace datatest;

namespace {

// The designed tables of Account.mdb, as a file of an earlier version holds them.
const std::string kDesignedAccount =
    "CREATE TABLE \"ACCOUNT\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"DISPLAY_NAME\" TEXT,"
    " \"MAIL_ADDRESS\" TEXT, \"SEND_SERVER\" TEXT, \"SEND_PORT\" INTEGER,"
    " \"NEED_SEND_AUTH\" INTEGER, \"SEND_ACCOUNT\" TEXT, \"SEND_PASSWORD\" TEXT,"
    " \"REPLY_MAIL_ADDRESS\" TEXT)";
const std::string kDesignedCurrentAccount = "CREATE TABLE \"CURRENT_ACCOUNT\" (\"ACCOUNT_ID\" INTEGER, \"SET_TO_BCC\" INTEGER)";

class AccountAuthTest : public DataFolderTest {
protected:
    fs::path AccountDb() const { return DataFolder() / "Account.mdb"; }
    std::string Schema(const char* table) const
    {
        return Sqlite(AccountDb(), std::string("SELECT sql FROM sqlite_master WHERE name = '") + table + "'");
    }
};

}  // namespace

TEST_F(AccountAuthTest, ANewFileHasTheTableAndTheDesignedTablesAsDesigned)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    CreateAll();
    EXPECT_EQ(Schema("ACCOUNT_AUTH"),
              "CREATE TABLE \"ACCOUNT_AUTH\" (\"ACCOUNT_ID\" INTEGER PRIMARY KEY, \"AUTH_METHOD\" INTEGER,"
              " \"SEND_SECURITY\" INTEGER, \"RECEIVE_SERVER\" TEXT, \"RECEIVE_PORT\" INTEGER,"
              " \"RECEIVE_SECURITY\" INTEGER, \"PASSWORD_IN_KEYRING\" INTEGER)\n");
    EXPECT_EQ(Schema("ACCOUNT"), kDesignedAccount + "\n");
    EXPECT_EQ(Schema("CURRENT_ACCOUNT"), kDesignedCurrentAccount + "\n");
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT count(*) FROM ACCOUNT_AUTH"), "0\n");
}

TEST_F(AccountAuthTest, AFileOfAnEarlierVersionGetsTheTableAndKeepsItsRows)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    fs::create_directories(DataFolder());
    {
        std::ofstream(AccountDb()).close();
        CDatabase db;
        db.Open(CPath::FromNative(AccountDb().string()));
        db.Execute((kDesignedAccount + ";" + kDesignedCurrentAccount + ";"
                    "INSERT INTO CURRENT_ACCOUNT VALUES (1, 0);"
                    "INSERT INTO ACCOUNT VALUES (1, 'Old', 'old@example.jp', 'smtp.example.jp', 465, 1,"
                    " 'old', 'pw', NULL);").c_str());
    }
    ::chmod(AccountDb().c_str(), 0644);

    CreateAll();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(Mode(AccountDb()), 0600u);
    EXPECT_EQ(Schema("ACCOUNT"), kDesignedAccount + "\n");
    EXPECT_EQ(Schema("CURRENT_ACCOUNT"), kDesignedCurrentAccount + "\n");
    EXPECT_NE(Schema("ACCOUNT_AUTH"), "");
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT ID, SEND_ACCOUNT, SEND_PASSWORD FROM ACCOUNT"), "1|old|pw\n");
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT * FROM CURRENT_ACCOUNT"), "1|0\n");

    // The old account has no row of its own: the defaults follow its port.
    CAccountAuthSet auth;
    ASSERT_TRUE(auth.Open());
    EXPECT_FALSE(auth.FindById(1));
    auth.SetDefaults(1, 465);
    EXPECT_EQ(auth.accountId, 1);
    EXPECT_EQ(auth.authMethod, CAccountAuthSet::MethodSmtpAuth);
    EXPECT_EQ(auth.sendSecurity, CAccountAuthSet::SecuritySslTls);
    EXPECT_EQ(auth.receiveServer, "");
    EXPECT_EQ(auth.receivePort, 110);
    EXPECT_EQ(auth.receiveSecurity, CAccountAuthSet::SecurityNone);
    EXPECT_EQ(auth.passwordInKeyring, 0);

    // A second start changes nothing more.
    CreateAll();
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT count(*) FROM sqlite_master WHERE name = 'ACCOUNT_AUTH'"), "1\n");
}

TEST_F(AccountAuthTest, RowsAreWrittenFoundAndDefaultedByPort)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    CreateAll();
    EXPECT_EQ(CAccountAuthSet::DefaultSendSecurity(465), CAccountAuthSet::SecuritySslTls);
    EXPECT_EQ(CAccountAuthSet::DefaultSendSecurity(587), CAccountAuthSet::SecurityStartTls);
    EXPECT_EQ(CAccountAuthSet::DefaultSendSecurity(25), CAccountAuthSet::SecurityNone);
    EXPECT_EQ(CAccountAuthSet::DefaultSendSecurity(2525), CAccountAuthSet::SecurityNone);
    EXPECT_EQ(CAccountAuthSet::DefaultReceivePort(CAccountAuthSet::SecuritySslTls), 995);
    EXPECT_EQ(CAccountAuthSet::DefaultReceivePort(CAccountAuthSet::SecurityStartTls), 110);
    EXPECT_EQ(CAccountAuthSet::DefaultReceivePort(CAccountAuthSet::SecurityNone), 110);

    CAccountAuthSet auth;
    ASSERT_TRUE(auth.Open());
    ASSERT_TRUE(auth.Write(7, CAccountAuthSet::MethodPopBeforeSmtp, CAccountAuthSet::SecurityNone, "pop.example.jp",
                           995, CAccountAuthSet::SecuritySslTls, 1));
    ASSERT_TRUE(auth.Write(3, CAccountAuthSet::MethodSmtpAuth, CAccountAuthSet::SecurityStartTls, "", 110,
                           CAccountAuthSet::SecurityNone, 0));
    ASSERT_TRUE(auth.FindById(7));
    EXPECT_EQ(auth.accountId, 7);
    EXPECT_EQ(auth.authMethod, CAccountAuthSet::MethodPopBeforeSmtp);
    EXPECT_EQ(auth.receiveServer, "pop.example.jp");
    EXPECT_EQ(auth.receivePort, 995);
    EXPECT_EQ(auth.receiveSecurity, CAccountAuthSet::SecuritySslTls);
    EXPECT_EQ(auth.passwordInKeyring, 1);

    // Writing again edits the one row of the account.
    ASSERT_TRUE(auth.Write(7, CAccountAuthSet::MethodSmtpAuth, CAccountAuthSet::SecuritySslTls, "", 110,
                           CAccountAuthSet::SecurityNone, 0));
    ASSERT_TRUE(auth.WritePasswordInKeyring(7, 465, 1));
    ASSERT_TRUE(auth.WritePasswordInKeyring(9, 587, 1));  // no row yet: defaults for port 587
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT * FROM ACCOUNT_AUTH ORDER BY ACCOUNT_ID"),
              "3|0|1||110|0|0\n7|0|2||110|0|1\n9|0|1||110|0|1\n");

    // A server name longer than 255 bytes fails like an engine error and changes nothing.
    EXPECT_FALSE(auth.Write(3, 1, 0, std::string(256, 'p').c_str(), 110, 0, 0));
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT RECEIVE_SERVER FROM ACCOUNT_AUTH WHERE ACCOUNT_ID = 3"), "\n");

    EXPECT_TRUE(auth.Remove(9));
    EXPECT_FALSE(auth.Remove(9));
    EXPECT_FALSE(auth.FindById(9));
}

TEST_F(AccountAuthTest, DeletingAnAccountDeletesItsRowToo)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    CreateAll();
    CAccountSet accounts;
    ASSERT_TRUE(accounts.Open());
    long first = 0, second = 0;
    ASSERT_TRUE(accounts.Add("a", "a@example.jp", "smtp.example.jp", 587, 1, "a", "", "", first));
    ASSERT_TRUE(accounts.Add("b", "b@example.jp", "smtp.example.jp", 25, 0, "", "", "", second));
    CAccountAuthSet auth;
    ASSERT_TRUE(auth.Open());
    ASSERT_TRUE(auth.Write(first, 1, 0, "pop.example.jp", 110, 0, 1));
    ASSERT_TRUE(auth.Write(second, 0, 0, "", 110, 0, 0));

    ASSERT_TRUE(accounts.Remove(first));
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT group_concat(ACCOUNT_ID) FROM ACCOUNT_AUTH"), std::to_string(second) + "\n");
    EXPECT_FALSE(accounts.Remove(first));
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT group_concat(ID) FROM ACCOUNT"), std::to_string(second) + "\n");

    // A file whose table could not be added still deletes its accounts.
    accounts.Close();
    auth.Close();
    Sqlite(AccountDb(), "DROP TABLE ACCOUNT_AUTH");
    ASSERT_TRUE(accounts.Open());
    EXPECT_TRUE(accounts.Remove(second));
    EXPECT_EQ(Sqlite(AccountDb(), "SELECT count(*) FROM ACCOUNT"), "0\n");
}

TEST_F(AccountAuthTest, APasswordWrittenOverLeavesNoTraceInTheFile)
{
    CreateAll();
    const std::string password = "Tr4ce-0f-An-0ld-Passw0rd";
    {
        CAccountSet accounts;
        ASSERT_TRUE(accounts.Open());
        long id = 0;
        ASSERT_TRUE(accounts.Add("a", "a@example.jp", "smtp.example.jp", 587, 1, "a", password.c_str(), "", id));
        ASSERT_TRUE(accounts.Modify(id, "a", "a@example.jp", "smtp.example.jp", 587, 1, "a", "", ""));
        long other = 0;
        ASSERT_TRUE(accounts.Add("b", "b@example.jp", "smtp.example.jp", 587, 1, "b", password.c_str(), "", other));
        ASSERT_TRUE(accounts.Remove(other));
    }
    // The last connection folded the log into the file; neither holds the old bytes.
    for (const char* name : {"Account.mdb", "Account.mdb-wal"})
        EXPECT_EQ(ReadFile(DataFolder() / name).find(password), std::string::npos) << name;
}
