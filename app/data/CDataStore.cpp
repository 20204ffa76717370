#include "data/CDataStore.h"

#include "data/CDatabase.h"
#include "data/CDbException.h"
#include "model/CFileUtility.h"
#include "model/CPlatformUi.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

CDataStore theDataStore;

namespace {

// Tables in their designed order, each followed by its default row. Long and Boolean are
// INTEGER, Text(n) and Memo are TEXT; the Text(n) limits live with the recordsets.
const char* const kConfigSchema =
    "CREATE TABLE \"WINDOW_POS\" (\"WIZAWD_POS_X\" INTEGER, \"WIZAWD_POS_Y\" INTEGER,"
    " \"ATTACHED_FILES_DIR\" TEXT);"
    "INSERT INTO \"WINDOW_POS\" VALUES (0, 0, NULL);"
    "CREATE TABLE \"EDIT_SETTING\" (\"NEW_LINE_LENGTH\" INTEGER, \"REPLY_LINE_LENGTH\" INTEGER,"
    " \"CLOSE_AFTER_SEND\" INTEGER, \"UPPER_REPLY\" INTEGER, \"PREVIEW_AT_SEND\" INTEGER);"
    "INSERT INTO \"EDIT_SETTING\" VALUES (60, 76, 0, 0, 0);";

// Our own table beside the designed ones (see CAccountAuthSet), made in a new file and added
// at start to a file of an earlier version.
#define ACCOUNT_AUTH_TABLE                                                                     \
    "CREATE TABLE IF NOT EXISTS \"ACCOUNT_AUTH\" (\"ACCOUNT_ID\" INTEGER PRIMARY KEY,"           \
    " \"AUTH_METHOD\" INTEGER, \"SEND_SECURITY\" INTEGER, \"RECEIVE_SERVER\" TEXT,"            \
    " \"RECEIVE_PORT\" INTEGER, \"RECEIVE_SECURITY\" INTEGER, \"PASSWORD_IN_KEYRING\" INTEGER);"

const char* const kAccountSchema =
    "CREATE TABLE \"ACCOUNT\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"DISPLAY_NAME\" TEXT,"
    " \"MAIL_ADDRESS\" TEXT, \"SEND_SERVER\" TEXT, \"SEND_PORT\" INTEGER,"
    " \"NEED_SEND_AUTH\" INTEGER, \"SEND_ACCOUNT\" TEXT, \"SEND_PASSWORD\" TEXT,"
    " \"REPLY_MAIL_ADDRESS\" TEXT);"
    "CREATE TABLE \"CURRENT_ACCOUNT\" (\"ACCOUNT_ID\" INTEGER, \"SET_TO_BCC\" INTEGER);"
    "INSERT INTO \"CURRENT_ACCOUNT\" VALUES (0, 1);"
    ACCOUNT_AUTH_TABLE;

const char* const kAddressSchema =
    "CREATE TABLE \"GROUP\" (\"GROUP_ID\" INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \"GROUP_NAME\" TEXT, \"MEMBERS\" TEXT);"
    "CREATE TABLE \"PERSON\" (\"PERSON_ID\" INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \"DISPLAY_NAME\" TEXT, \"MAIL_ADDRESS\" TEXT, \"REF_COUNT\" INTEGER);"
    // Not in the designed tables: the import looks every person up by address before it
    // adds one, and a book of thousands would otherwise be read through each time.
    "CREATE INDEX \"PERSON_MAIL_ADDRESS\" ON \"PERSON\" (\"MAIL_ADDRESS\");";

#define PHRASE_TABLE(name)                                                              \
    "CREATE TABLE \"" name "\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"TITLE\" TEXT," \
    " \"DETAIL\" TEXT);"

const char* const kTemplateSchema =
    "CREATE TABLE \"LETTER_TEMPLATE\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \"TITLE\" TEXT, \"SUBJECT\" TEXT, \"DEAR\" TEXT, \"GREETING\" TEXT, \"CLOSING\" TEXT,"
    " \"SIGNATURE_ID\" INTEGER, \"ADDRESS_TEMPLATE_ID\" INTEGER);"
    "CREATE TABLE \"ADDRESS_TEMPLATE\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \"TITLE\" TEXT, \"SUBJECT\" TEXT, \"TO_ADDRESSES\" TEXT, \"CC_ADDRESSES\" TEXT,"
    " \"BCC_ADDRESSES\" TEXT, \"LETTER_TEMPLATE_ID\" INTEGER);"
    PHRASE_TABLE("SUBJECT_PREFIX") PHRASE_TABLE("DEAR") PHRASE_TABLE("GREETING")
    PHRASE_TABLE("CLOSING") PHRASE_TABLE("SIGNATURE");

#undef PHRASE_TABLE

// mkdir -p with mode 0700 for every folder it makes.
bool MakeFolders(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

const char* const kCompanions[] = {"-journal", "-wal", "-shm"};

enum class Created { Made, Existed, Failed };

// Creates the file (mode 0600: Account.mdb holds passwords) and its tables in one
// transaction. A file that exists, even one made this moment by a second instance, is left
// as it is. On failure the half-made file is removed, so the next start tries again.
Created CreateDatabase(const CPath& path, const char* schema)
{
    const std::string& native = path.Native();
    int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST ? Created::Existed : Created::Failed;
    close(fd);
    try {
        CDatabase db;
        db.Open(path);
        // Persistent in the file: commits append to a log instead of flushing the file.
        db.Execute("PRAGMA journal_mode = WAL");
        CTransaction transaction(db);
        db.Execute(schema);
        transaction.Commit();
        db.Close();
        return Created::Made;
    } catch (const CDbException&) {
        unlink(native.c_str());
        for (const char* suffix : kCompanions) unlink((native + suffix).c_str());
        return Created::Failed;
    }
}

// The columns of each table, as `schema` makes them.
std::map<std::string, std::set<std::string>> Columns(CDatabase& db)
{
    std::map<std::string, std::set<std::string>> tables;
    CDbStatement list(db, "SELECT name FROM sqlite_master WHERE type = 'table'"
                          " AND name NOT LIKE 'sqlite_%'");
    while (list.Step()) tables[list.GetText(0).Str()];
    for (auto& [table, columns] : tables) {
        CDbStatement info(db, "SELECT name FROM pragma_table_info(?)");
        info.Bind(1, CString(table));
        while (info.Step()) columns.insert(info.GetText(0).Str());
    }
    return tables;
}

enum class Found { Sound, Broken, Unusable };

// Whether the file is a whole database with every table and column that `schema` makes.
// A file that is no database (a zero-length or truncated file, other bytes) or lacks a table
// is broken; one that cannot be read for another reason (no permission, locked) is not, and
// is used as found so that nothing is set aside by mistake.
Found CheckDatabase(const CPath& path, const char* schema)
{
    try {
        CDatabase expected;
        expected.OpenMemory();
        expected.Execute(schema);
        const auto wanted = Columns(expected);

        CDatabase db;
        db.Open(path);
        CDbStatement check(db, "PRAGMA quick_check");
        if (!check.Step() || check.GetText(0) != "ok") return Found::Broken;
        const auto found = Columns(db);
        for (const auto& [table, columns] : wanted) {
            auto there = found.find(table);
            if (there == found.end()) return Found::Broken;
            for (const std::string& column : columns)
                if (!there->second.count(column)) return Found::Broken;
        }
        return Found::Sound;
    } catch (const CDbException& error) {
        const int code = error.GetCode() & 0xFF;
        return code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? Found::Broken : Found::Unusable;
    }
}

// "<name>.broken-<date>-<time>", with "-2", "-3"... when that is taken.
CPath AsideName(const CPath& path)
{
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    std::tm local {};
    if (localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path.Native() + ".broken-" + stamp;
    std::string aside = base;
    struct stat info {};
    for (int n = 2; lstat(aside.c_str(), &info) == 0; ++n) aside = base + "-" + std::to_string(n);
    return CPath::FromNative(aside);
}

// Moves the file and its journal files aside under `aside`.
bool SetAside(const CPath& path, const CPath& aside)
{
    if (rename(path.c_str(), aside.c_str()) != 0) return false;
    for (const char* suffix : kCompanions) {
        const std::string companion = path.Native() + suffix;
        if (access(companion.c_str(), F_OK) == 0)
            rename(companion.c_str(), (aside.Native() + suffix).c_str());
    }
    return true;
}
// Brings an Account.mdb of an earlier version up to date: our own table, and no access for
// anyone but the user (it holds passwords). A failure here stops nothing: the file is used
// as found, and an account without its row of ACCOUNT_AUTH has the defaults.
void UpgradeAccountDatabase(const CPath& path)
{
    const std::string& native = path.Native();
    struct stat info {};
    if (stat(native.c_str(), &info) == 0 && (info.st_mode & 077)) chmod(native.c_str(), info.st_mode & 0700);
    try {
        CDatabase db;
        db.Open(path);
        db.Execute(ACCOUNT_AUTH_TABLE);
    } catch (const CDbException&) {
    }
}

#undef ACCOUNT_AUTH_TABLE

}  // namespace

CDataStore::CDataStore()
    : companyName_("Velto"),
      companyFolderName_("Velto"),
      productName_("Quillon"),
      productFolderName_("Quillon"),
      version_("2.1")
{
}

int CDataStore::FindDataFolder()
{
    // Known only once found: a failed search leaves no path of an earlier one behind.
    for (CPath* path : {&dataFolder_, &configDbPath_, &accountDbPath_, &addressDbPath_, &templateDbPath_})
        *path = CPath();
    const CPath appData = CFileUtility::GetAppDataFolder();
    if (appData.IsEmpty() || !MakeFolders(appData.Native())) return 0;

    const CPath company = appData / companyFolderName_.View();
    dataFolder_ = company / productFolderName_.View();
    configDbPath_ = dataFolder_ / "Config.mdb";
    accountDbPath_ = dataFolder_ / "Account.mdb";
    addressDbPath_ = dataFolder_ / "Address.mdb";
    templateDbPath_ = dataFolder_ / "Template.mdb";

    // Failures here (the folders exist, say) show up when the files are created.
    mkdir(company.c_str(), 0700);
    mkdir(dataFolder_.c_str(), 0700);
    return 1;
}

int CDataStore::CreateDatabases()
{
    if (!FindDataFolder()) return 0;

    struct Database {
        const CPath& path;
        const char* schema;
        const char* title;    // the database as the messages name it
        const char* failed;
        bool confirmLoss;     // the user's own data, not to be replaced without asking
    };
    const Database databases[] = {
        {configDbPath_, kConfigSchema, "設定データベース", "設定データベースの作成に失敗しました。", false},
        {accountDbPath_, kAccountSchema, "差出人データベース", "差出人データベースの作成に失敗しました。", true},
        {addressDbPath_, kAddressSchema, "アドレス帳データベース", "アドレス帳データベースの作成に失敗しました。", true},
        {templateDbPath_, kTemplateSchema, "定型文データベース", "定型文データベースの作成に失敗しました。", false},
    };
    for (const Database& database : databases) {
        Created created = CreateDatabase(database.path, database.schema);
        // A file of an earlier version first gets our own tables, so it is judged as it is now.
        if (created == Created::Existed && &database.path == &accountDbPath_)
            UpgradeAccountDatabase(accountDbPath_);
        if (created == Created::Existed
            && CheckDatabase(database.path, database.schema) == Found::Broken) {
            // A file left half-made by a crash or a full disk would fail every open for
            // ever: it is set aside (never deleted) and a new one is made in its place.
            const CString name = database.path.FileName().ToText();
            const CPath aside = AsideName(database.path);
            const CString asideName = aside.FileName().ToText();
            CString text;
            if (database.confirmLoss) {
                text.Format("%s（%s）が壊れていて読めません。\r\n\r\n"
                            "壊れたファイルを「%s」という名前で残し、新しい空の%sを作成しますか？\r\n"
                            "「いいえ」を選ぶと、ファイルには手を付けずにプログラムを終了します。",
                            database.title, name.GetString(), asideName.GetString(), database.title);
                if (MessageBox(nullptr, text, productName_, MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
            }
            if (!SetAside(database.path, aside)) {
                MessageBox(nullptr, database.failed, productName_, MB_OK | MB_ICONEXCLAMATION);
                return 0;
            }
            created = CreateDatabase(database.path, database.schema);
            if (created == Created::Made && !database.confirmLoss) {
                text.Format("%s（%s）が壊れていたため、「%s」という名前で残し、新しく作成しました。",
                            database.title, name.GetString(), asideName.GetString());
                MessageBox(nullptr, text, productName_, MB_OK | MB_ICONEXCLAMATION);
            }
        }
        if (created == Created::Failed) {
            MessageBox(nullptr, database.failed, productName_, MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
    }
    return 1;
}
