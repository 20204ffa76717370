// Verifies the data folder and the creation of the four databases: default rows, file modes,
// failures that leave no file, files used as found, and waiting for a second writer's lock.

#include "DataTestUtil.h"

#include "data/CAccountSet.h"
#include "data/CAddressTemplateSet.h"
#include "data/CCurrentAccountSet.h"
#include "data/CDatabase.h"
#include "data/CEditSettingSet.h"
#include "data/CFixedPhraseSet.h"
#include "data/CGroupSet.h"
#include "data/CLetterTemplateSet.h"
#include "data/CPersonSet.h"
#include "data/CWindowPosSet.h"

#include <csignal>
#include <ctime>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace datatest;

namespace {

// <chrono> cannot be compiled with code page 932 literals (its "µs"), so time is read here.
double Seconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Keyed sets are empty when opening finds neither a first nor a last row.
template <class Set, class... Args>
void ExpectEmpty(Args&&... args)
{
    Set set(std::forward<Args>(args)...);
    ASSERT_TRUE(set.Open());
    EXPECT_TRUE(set.IsBOF());
    EXPECT_TRUE(set.IsEOF());
}

// Runs CreateDatabases with writes limited to `bytes` per file, as on a full disk.
int CreateWithFileSizeLimit(rlim_t bytes)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = bytes;
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    int result = theDataStore.CreateDatabases();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return result;
}

}  // namespace

using DataStoreTest = DataFolderTest;

TEST_F(DataStoreTest, FirstStartCreatesFoldersFilesAndOnlyTheDefaultRows)
{
    EXPECT_EQ(theDataStore.GetCompanyName(), "Velto");
    EXPECT_EQ(theDataStore.GetCompanyFolderName(), "Velto");
    EXPECT_EQ(theDataStore.GetProductName(), "Quillon");
    EXPECT_EQ(theDataStore.GetProductFolderName(), "Quillon");
    EXPECT_EQ(theDataStore.GetVersion(), "2.1");

    CreateAll();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(theDataStore.GetDataFolder(), CPath::FromNative((DataFolder()).string()));
    EXPECT_EQ(theDataStore.GetConfigDbPath(), CPath::FromNative((DataFolder() / "Config.mdb").string()));
    EXPECT_EQ(theDataStore.GetAccountDbPath(), CPath::FromNative((DataFolder() / "Account.mdb").string()));
    EXPECT_EQ(theDataStore.GetAddressDbPath(), CPath::FromNative((DataFolder() / "Address.mdb").string()));
    EXPECT_EQ(theDataStore.GetTemplateDbPath(), CPath::FromNative((DataFolder() / "Template.mdb").string()));

    // The four files and nothing else: no journal stays behind.
    EXPECT_EQ(Entries(DataFolder()),
              (std::vector<std::string>{"Account.mdb", "Address.mdb", "Config.mdb", "Template.mdb"}));
    EXPECT_EQ(Mode(appData / "Velto"), 0700u);
    EXPECT_EQ(Mode(DataFolder()), 0700u);
    EXPECT_EQ(Mode(DataFolder() / "Account.mdb"), 0600u);

    {
        CEditSettingSet set;
        ASSERT_TRUE(set.Open());
        ASSERT_FALSE(set.IsEOF());
        EXPECT_EQ(set.newLineLength, 60);
        EXPECT_EQ(set.replyLineLength, 76);
        EXPECT_EQ(set.closeAfterSend, 0);
        EXPECT_EQ(set.previewAtSend, 0);
        EXPECT_EQ(set.upperReply, 0);
        set.MoveNext();
        EXPECT_TRUE(set.IsEOF());
    }
    {
        CWindowPosSet set;
        ASSERT_TRUE(set.Open());
        ASSERT_FALSE(set.IsEOF());
        EXPECT_EQ(set.wizardPosX, 0);
        EXPECT_EQ(set.wizardPosY, 0);
        EXPECT_TRUE(set.attachedFilesDir.IsEmpty());
        set.MoveNext();
        EXPECT_TRUE(set.IsEOF());
    }
    {
        CCurrentAccountSet set;
        ASSERT_TRUE(set.Open());
        ASSERT_FALSE(set.IsEOF());
        EXPECT_EQ(set.accountId, 0);
        EXPECT_EQ(set.setToBcc, 1);
        set.MoveNext();
        EXPECT_TRUE(set.IsEOF());
    }
    ExpectEmpty<CAccountSet>();
    ExpectEmpty<CGroupSet>();
    ExpectEmpty<CPersonSet>();
    ExpectEmpty<CAddressTemplateSet>();
    ExpectEmpty<CLetterTemplateSet>();
    for (const char* table : {"SUBJECT_PREFIX", "DEAR", "GREETING", "CLOSING", "SIGNATURE"})
        ExpectEmpty<CFixedPhraseSet>(table);

    // The log next to a database while it is in use is as private as the file.
    {
        CAccountSet accounts;
        ASSERT_TRUE(accounts.Open());
        long id = 0;
        ASSERT_TRUE(accounts.Add("a", "a@example.com", "smtp.example.com", 25, 1, "a", "pw", "", id));
        ASSERT_TRUE(fs::exists(DataFolder() / "Account.mdb-wal"));
        EXPECT_EQ(Mode(DataFolder() / "Account.mdb-wal"), 0600u);
        ASSERT_TRUE(accounts.Remove(id));
    }
    EXPECT_FALSE(fs::exists(DataFolder() / "Account.mdb-wal"));

    // A second start changes nothing.
    auto before = ReadFile(DataFolder() / "Config.mdb");
    EXPECT_TRUE(theDataStore.CreateDatabases());
    EXPECT_EQ(ReadFile(DataFolder() / "Config.mdb"), before);
    EXPECT_EQ(Entries(DataFolder()).size(), 4u);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(DataStoreTest, TheSqliteCommandSeesTheDesignedTablesAndRows)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    CreateAll();
    const char* tables = "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master"
                         " WHERE type = 'table' AND name <> 'sqlite_sequence' ORDER BY rowid)";
    EXPECT_EQ(Sqlite(DataFolder() / "Config.mdb", tables), "WINDOW_POS,EDIT_SETTING\n");
    // The designed tables, then our own.
    EXPECT_EQ(Sqlite(DataFolder() / "Account.mdb", tables), "ACCOUNT,CURRENT_ACCOUNT,ACCOUNT_AUTH\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Address.mdb", tables), "GROUP,PERSON\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Template.mdb", tables),
              "LETTER_TEMPLATE,ADDRESS_TEMPLATE,SUBJECT_PREFIX,DEAR,GREETING,CLOSING,SIGNATURE\n");

    EXPECT_EQ(Sqlite(DataFolder() / "Config.mdb",
                     "SELECT NEW_LINE_LENGTH, REPLY_LINE_LENGTH, CLOSE_AFTER_SEND, UPPER_REPLY,"
                     " PREVIEW_AT_SEND FROM EDIT_SETTING"),
              "60|76|0|0|0\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Config.mdb",
                     "SELECT WIZAWD_POS_X, WIZAWD_POS_Y, typeof(ATTACHED_FILES_DIR) FROM WINDOW_POS"),
              "0|0|null\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Account.mdb", "SELECT ACCOUNT_ID, SET_TO_BCC FROM CURRENT_ACCOUNT"),
              "0|1\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Account.mdb", "SELECT count(*) FROM ACCOUNT"), "0\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Address.mdb",
                     "SELECT (SELECT count(*) FROM [GROUP]) + (SELECT count(*) FROM PERSON)"),
              "0\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Template.mdb",
                     "SELECT (SELECT count(*) FROM LETTER_TEMPLATE) + (SELECT count(*) FROM"
                     " ADDRESS_TEMPLATE) + (SELECT count(*) FROM SUBJECT_PREFIX) + (SELECT count(*)"
                     " FROM DEAR) + (SELECT count(*) FROM GREETING) + (SELECT count(*) FROM CLOSING)"
                     " + (SELECT count(*) FROM SIGNATURE)"),
              "0\n");
    // Columns in their designed order.
    EXPECT_EQ(Sqlite(DataFolder() / "Account.mdb",
                     "SELECT group_concat(name, ',') FROM pragma_table_info('ACCOUNT')"),
              "ID,DISPLAY_NAME,MAIL_ADDRESS,SEND_SERVER,SEND_PORT,NEED_SEND_AUTH,SEND_ACCOUNT,"
              "SEND_PASSWORD,REPLY_MAIL_ADDRESS\n");
    EXPECT_EQ(Sqlite(DataFolder() / "Template.mdb",
                     "SELECT group_concat(name, ',') FROM pragma_table_info('LETTER_TEMPLATE')"),
              "ID,TITLE,SUBJECT,DEAR,GREETING,CLOSING,SIGNATURE_ID,ADDRESS_TEMPLATE_ID\n");
}

TEST_F(DataStoreTest, OnlyAMissingTemplateFileIsCreated)
{
    CreateAll();
    {
        CPersonSet persons;
        ASSERT_TRUE(persons.Open());
        long id = 0;
        ASSERT_TRUE(persons.Add("Taro", "taro@example.com", id));
        CEditSettingSet settings;
        ASSERT_TRUE(settings.Open());
        settings.newLineLength = 70;
        ASSERT_TRUE(settings.Save());
        CFixedPhraseSet phrases("DEAR");
        ASSERT_TRUE(phrases.Open());
        ASSERT_TRUE(phrases.Add("old", "gone with the file", id));
    }
    auto address = ReadFile(DataFolder() / "Address.mdb");
    auto config = ReadFile(DataFolder() / "Config.mdb");
    fs::remove(DataFolder() / "Template.mdb");

    EXPECT_TRUE(theDataStore.CreateDatabases());
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(ReadFile(DataFolder() / "Address.mdb"), address);
    EXPECT_EQ(ReadFile(DataFolder() / "Config.mdb"), config);
    ExpectEmpty<CFixedPhraseSet>("DEAR");
    ExpectEmpty<CLetterTemplateSet>();

    CPersonSet persons;
    ASSERT_TRUE(persons.Open());
    EXPECT_TRUE(persons.FindByNameAndAddress("Taro", "taro@example.com"));
    CEditSettingSet settings;
    ASSERT_TRUE(settings.Open());
    EXPECT_EQ(settings.newLineLength, 70);
}

TEST_F(DataStoreTest, AFailedCreationShowsItsMessageAndLeavesNoFile)
{
    // Nothing can be written: the first database fails and the others are not tried.
    EXPECT_FALSE(CreateWithFileSizeLimit(0));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "設定データベースの作成に失敗しました。");
    EXPECT_EQ(messages.boxes[0].caption, "Quillon");
    EXPECT_EQ(messages.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_TRUE(fs::is_directory(DataFolder()));
    EXPECT_EQ(Entries(DataFolder()), std::vector<std::string>{});

    // The next start tries again and succeeds.
    messages.boxes.clear();
    CreateAll();
    EXPECT_EQ(Entries(DataFolder()).size(), 4u);

    // A failure half-way through the files: Config exists, Account fails. (Checking the
    // Config file on a full disk may leave its empty log files; they do no harm.)
    auto databaseFiles = [this] {
        std::vector<std::string> names;
        for (const std::string& name : Entries(DataFolder()))
            if (name != "Config.mdb-wal" && name != "Config.mdb-shm") names.push_back(name);
        return names;
    };
    for (const char* name : {"Account.mdb", "Address.mdb", "Template.mdb"}) fs::remove(DataFolder() / name);
    messages.boxes.clear();
    EXPECT_FALSE(CreateWithFileSizeLimit(0));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "差出人データベースの作成に失敗しました。");
    EXPECT_EQ(databaseFiles(), std::vector<std::string>{"Config.mdb"});

    // Room for the header page but not for the tables: the half-made file goes as well.
    messages.boxes.clear();
    EXPECT_FALSE(CreateWithFileSizeLimit(4096));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "差出人データベースの作成に失敗しました。");
    EXPECT_EQ(databaseFiles(), std::vector<std::string>{"Config.mdb"});
}

TEST_F(DataStoreTest, EachDatabaseHasItsOwnFailureMessage)
{
    CreateAll();
    const std::pair<const char*, const char*> cases[] = {
        {"Address.mdb", "アドレス帳データベースの作成に失敗しました。"},
        {"Template.mdb", "定型文データベースの作成に失敗しました。"},
    };
    for (const auto& [file, message] : cases) {
        fs::remove(DataFolder() / file);
        messages.boxes.clear();
        EXPECT_FALSE(CreateWithFileSizeLimit(0));
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(messages.boxes[0].text, message);
        EXPECT_FALSE(fs::exists(DataFolder() / file));
        CreateAll();
    }
}

TEST_F(DataStoreTest, ADataFolderInTheWayOfAFileFails)
{
    // A file named Velto where the folder belongs: no folder, no database, whoever runs this.
    { std::ofstream(appData / "Velto") << "in the way"; }
    EXPECT_FALSE(theDataStore.CreateDatabases());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "設定データベースの作成に失敗しました。");
    EXPECT_EQ(Entries(appData), std::vector<std::string>{"Velto"});

}

TEST_F(DataStoreTest, AReadOnlyDataFolderFails)
{
    if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder; this needs a plain user";
    fs::create_directories(DataFolder());
    fs::permissions(DataFolder(), fs::perms::owner_read | fs::perms::owner_exec);
    messages.boxes.clear();
    EXPECT_FALSE(theDataStore.CreateDatabases());
    fs::permissions(DataFolder(), fs::perms::owner_all);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "設定データベースの作成に失敗しました。");
    EXPECT_EQ(Entries(DataFolder()), std::vector<std::string>{});
}

TEST_F(DataStoreTest, WithoutAnApplicationDataFolderNothingIsShown)
{
    { std::ofstream(appData / "file") << "not a folder"; }
    setenv("XDG_DATA_HOME", (appData / "file" / "share").c_str(), 1);
    EXPECT_FALSE(theDataStore.CreateDatabases());
    EXPECT_TRUE(messages.boxes.empty());

    // Unset or relative, XDG_DATA_HOME gives way to ~/.local/share, made if missing.
    setenv("HOME", (appData / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", "relative/share", 1);
    CreateAll();
    EXPECT_TRUE(fs::exists(appData / "home/.local/share/Velto/Quillon/Template.mdb"));
    unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(theDataStore.CreateDatabases());
    EXPECT_EQ(theDataStore.GetDataFolder(), CPath::FromNative((appData / "home/.local/share/Velto/Quillon").string()));
}

TEST_F(DataStoreTest, BrokenSettingsAndTemplateFilesAreSetAsideAndMadeAgain)
{
    CreateAll();
    {
        CFixedPhraseSet phrases("GREETING");
        ASSERT_TRUE(phrases.Open());
        long id = 0;
        ASSERT_TRUE(phrases.Add("t", "d", id));
    }
    // Config.mdb of zero bytes (a crash before the first write), Template.mdb cut short (a
    // full disk), as the next start finds them.
    const std::string config = ReadFile(DataFolder() / "Config.mdb");
    { std::ofstream(DataFolder() / "Config.mdb", std::ios::trunc); }
    const std::string whole = ReadFile(DataFolder() / "Template.mdb");
    ASSERT_GT(whole.size(), 8192u);
    { std::ofstream(DataFolder() / "Template.mdb", std::ios::binary | std::ios::trunc) << whole.substr(0, 6000); }

    CreateAll();
    ASSERT_EQ(messages.boxes.size(), 2u);
    std::vector<std::string> aside;
    for (const std::string& name : Entries(DataFolder()))
        if (name.find(".broken-") != std::string::npos) aside.push_back(name);
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_EQ(aside[0].rfind("Config.mdb.broken-2", 0), 0u) << aside[0];
    EXPECT_EQ(aside[1].rfind("Template.mdb.broken-2", 0), 0u) << aside[1];
    EXPECT_EQ(messages.boxes[0].text.Str(), "設定データベース（Config.mdb）が壊れていたため、「" + aside[0]
                                           + "」という名前で残し、新しく作成しました。");
    EXPECT_EQ(messages.boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(messages.boxes[1].text.Str(), "定型文データベース（Template.mdb）が壊れていたため、「" + aside[1]
                                           + "」という名前で残し、新しく作成しました。");
    // Nothing is lost: the broken bytes stay as they were found.
    EXPECT_EQ(ReadFile(DataFolder() / aside[0]), "");
    EXPECT_EQ(ReadFile(DataFolder() / aside[1]), whole.substr(0, 6000));

    // The new files are whole, with their default rows.
    CEditSettingSet settings;
    ASSERT_TRUE(settings.Open());
    EXPECT_EQ(settings.newLineLength, 60);
    ExpectEmpty<CFixedPhraseSet>("GREETING");

    // A database that lacks a designed column is broken too; a sound one is used again.
    {
        CDatabase db;
        db.Open(theDataStore.GetConfigDbPath());
        db.Execute("DROP TABLE WINDOW_POS; CREATE TABLE WINDOW_POS (WIZAWD_POS_X INTEGER)");
    }
    messages.Clear();
    CreateAll();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_NE(messages.boxes[0].text.Find("Config.mdb"), -1);
    messages.Clear();
    CreateAll();
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(DataStoreTest, ABrokenAccountOrAddressFileIsSetAsideOnlyWhenTheUserSaysSo)
{
    fs::create_directories(DataFolder());
    const std::string junk = "this is not a database, just some text that someone left here\n";
    { std::ofstream(DataFolder() / "Address.mdb") << junk; }

    // "No": the file stays as it is and start-up stops there.
    messages.Answer(IDNO);
    EXPECT_FALSE(theDataStore.CreateDatabases());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(messages.boxes[0].text.Find("アドレス帳データベース（Address.mdb）が壊れていて読めません。"), 0)
        << messages.boxes[0].text.Str();
    EXPECT_NE(messages.boxes[0].text.Find("Address.mdb.broken-2"), -1);
    EXPECT_EQ(ReadFile(DataFolder() / "Address.mdb"), junk);
    EXPECT_FALSE(fs::exists(DataFolder() / "Template.mdb"));

    // Every operation on it fails cleanly meanwhile.
    CPersonSet persons;
    EXPECT_FALSE(persons.Open());
    long id = 99;
    EXPECT_FALSE(persons.Add("Taro", "taro@example.com", id));
    EXPECT_EQ(id, 99);
    EXPECT_FALSE(persons.FindByNameAndAddress("Taro", "taro@example.com"));
    CGroupSet groups;
    EXPECT_FALSE(groups.Open());
    CIdArray members{1};
    EXPECT_FALSE(groups.ReadMembers(1, members));
    EXPECT_TRUE(members.empty());

    // "Yes": set aside under the name the question gave, and a new, empty book is made.
    messages.Clear();
    messages.Answer(IDYES);
    CreateAll();
    ASSERT_EQ(messages.boxes.size(), 1u);
    std::vector<std::string> aside;
    for (const std::string& name : Entries(DataFolder()))
        if (name.find(".broken-") != std::string::npos) aside.push_back(name);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_NE(messages.boxes[0].text.Find(("「" + aside[0] + "」").c_str()), -1) << messages.boxes[0].text.Str();
    EXPECT_EQ(ReadFile(DataFolder() / aside[0]), junk);
    ExpectEmpty<CPersonSet>();
    EXPECT_TRUE(fs::exists(DataFolder() / "Template.mdb"));

    // Account.mdb the same way, with its default row.
    { std::ofstream(DataFolder() / "Account.mdb", std::ios::trunc); }
    messages.Clear();
    messages.Answer(IDYES);
    CreateAll();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text.Find("差出人データベース（Account.mdb）"), 0);
    CCurrentAccountSet current;
    ASSERT_TRUE(current.Open());
    EXPECT_EQ(current.setToBcc, 1);
}

TEST_F(DataStoreTest, AFileThatCannotBeReadForAnotherReasonIsUsedAsFound)
{
    if (geteuid() == 0) GTEST_SKIP() << "root reads any file, whatever its mode";
    CreateAll();
    fs::permissions(DataFolder() / "Address.mdb", fs::perms::none);
    CreateAll();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(fs::exists(DataFolder() / "Address.mdb"));
    fs::permissions(DataFolder() / "Address.mdb", fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DataStoreTest, ADataFolderUnderCafeIsUsedByItsOwnBytes)
{
    // XDG_DATA_HOME under ".../café/": a path code page 932 cannot hold.
    const fs::path cafe = appData / "caf\xC3\xA9" / "share";
    setenv("XDG_DATA_HOME", cafe.c_str(), 1);
    CreateAll();
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(theDataStore.GetDataFolder(), CPath::FromNative((cafe / "Velto/Quillon").string()));
    for (const char* name : {"Config.mdb", "Account.mdb", "Address.mdb", "Template.mdb"})
        EXPECT_TRUE(fs::exists(cafe / "Velto/Quillon" / name)) << name;
    CPersonSet persons;
    ASSERT_TRUE(persons.Open());
    long id = 0;
    EXPECT_TRUE(persons.Add("Taro", "taro@example.com", id));
}

namespace {

// Another program instance: a child process that holds the write lock of Address.mdb for
// `holdMs` after adding one person, then commits. Returns when the lock is held.
pid_t HoldAddressLock(int holdMs)
{
    int ready[2];
    if (pipe(ready) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        CDatabase db;
        db.Open(theDataStore.GetAddressDbPath());
        db.BeginTrans();
        db.Execute("INSERT INTO PERSON (MAIL_ADDRESS, REF_COUNT) VALUES ('other@example.com', 0)");
        (void)!write(ready[1], "x", 1);
        usleep(static_cast<useconds_t>(holdMs) * 1000);
        db.CommitTrans();
        _exit(0);
    }
    close(ready[1]);
    char byte;
    if (child < 0 || read(ready[0], &byte, 1) != 1) child = -1;
    close(ready[0]);
    return child;
}

bool ExitedCleanly(pid_t child)
{
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST_F(DataStoreTest, ASecondWriterWaitsForTheLock)
{
    CreateAll();
    pid_t child = HoldAddressLock(400);
    ASSERT_GT(child, 0);

    CPersonSet persons;
    ASSERT_TRUE(persons.Open());
    double start = Seconds();
    long id = 0;
    EXPECT_TRUE(persons.Add("Hanako", "hanako@example.com", id));
    double waited = Seconds() - start;
    EXPECT_TRUE(ExitedCleanly(child));
    EXPECT_GE(waited, 0.2);
    EXPECT_EQ(id, 2);
    EXPECT_TRUE(persons.FindByNameAndAddress("", "other@example.com"));
    EXPECT_TRUE(persons.FindByNameAndAddress("Hanako", "hanako@example.com"));
}

TEST_F(DataStoreTest, AWriterThatWaitsTooLongFailsCleanly)
{
    CreateAll();
    long taro = 0;
    {
        CPersonSet persons;
        ASSERT_TRUE(persons.Open());
        ASSERT_TRUE(persons.Add("Taro", "taro@example.com", taro));
    }
    // No connection is open across the fork: SQLite does not support that.
    pid_t child = HoldAddressLock(CDatabase::kBusyTimeoutMs + 1500);
    ASSERT_GT(child, 0);
    CPersonSet persons;
    ASSERT_TRUE(persons.Open());
    long id = -1;
    double start = Seconds();
    EXPECT_FALSE(persons.Add("Hanako", "hanako@example.com", id));
    EXPECT_GE(Seconds() - start, CDatabase::kBusyTimeoutMs / 1000.0 - 0.2);
    EXPECT_EQ(id, -1);
    // Reading goes on while the other holds the lock; writing again once it let go.
    EXPECT_TRUE(persons.FindById(taro));
    EXPECT_TRUE(ExitedCleanly(child));
    EXPECT_TRUE(persons.AddRef(taro));
    EXPECT_TRUE(persons.Add("Hanako", "hanako@example.com", id));
    EXPECT_FALSE(persons.FindByNameAndAddress("Hanako", "other@example.com"));
    EXPECT_TRUE(persons.FindByNameAndAddress("", "other@example.com"));
}

TEST_F(DataStoreTest, ADatabaseMadeElsewhereIsUsedWithoutUpgrade)
{
    SKIP_WITHOUT_SQLITE_COMMAND();
    fs::create_directories(DataFolder());
    // Made by another tool: rollback journal, no index, a row already there.
    Sqlite(DataFolder() / "Address.mdb",
           "CREATE TABLE [GROUP] (GROUP_ID INTEGER PRIMARY KEY AUTOINCREMENT, GROUP_NAME TEXT,"
           " MEMBERS TEXT); CREATE TABLE PERSON (PERSON_ID INTEGER PRIMARY KEY AUTOINCREMENT,"
           " DISPLAY_NAME TEXT, MAIL_ADDRESS TEXT, REF_COUNT INTEGER);"
           " INSERT INTO PERSON VALUES (7, NULL, 'old@example.com', 3);");
    CreateAll();
    EXPECT_EQ(Sqlite(DataFolder() / "Address.mdb", "PRAGMA journal_mode"), "delete\n");

    CPersonSet persons;
    ASSERT_TRUE(persons.Open());
    ASSERT_TRUE(persons.FindByNameAndAddress("", "old@example.com"));
    EXPECT_EQ(persons.personId, 7);
    EXPECT_EQ(persons.refCount, 3);
    long id = 0;
    ASSERT_TRUE(persons.Add("New", "new@example.com", id));
    EXPECT_EQ(id, 8);
    EXPECT_EQ(Sqlite(DataFolder() / "Address.mdb",
                     "SELECT count(*) FROM sqlite_master WHERE type = 'index'"),
              "0\n");
    // Ours are made with the write-ahead log.
    EXPECT_EQ(Sqlite(DataFolder() / "Config.mdb", "PRAGMA journal_mode"), "wal\n");
}
