#include "data/CDataStore.h"

#include "data/CDatabase.h"
#include "data/CDbException.h"
#include "encoding/CCodePage.h"
#include "model/CPlatformUi.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
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

std::string Native(const CString& path)
{
    return CCodePage::ToUtf8(path);
}

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

enum class Created { Made, Existed, Failed };

// Creates the file (mode 0600: Account.mdb holds passwords) and its tables in one
// transaction. A file that exists, even one made this moment by a second instance, is left
// as it is. On failure the half-made file is removed, so the next start tries again.
Created CreateDatabase(const CString& path, const char* schema)
{
    std::string native = Native(path);
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
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) unlink((native + suffix).c_str());
        return Created::Failed;
    }
}

// Brings an Account.mdb of an earlier version up to date: our own table, and no access for
// anyone but the user (it holds passwords). A failure here stops nothing: the file is used
// as found, and an account without its row of ACCOUNT_AUTH has the defaults.
void UpgradeAccountDatabase(const CString& path)
{
    std::string native = Native(path);
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
    for (CString* path : {&dataFolder_, &configDbPath_, &accountDbPath_, &addressDbPath_, &templateDbPath_})
        path->Empty();
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* entry = getpwuid(getuid());
            home = entry ? entry->pw_dir : nullptr;
        }
        if (!home || home[0] != '/') return 0;
        base = std::string(home) + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (!MakeFolders(base)) return 0;

    CString appData = CCodePage::FromUtf8(base);
    CString company = appData + "/" + companyFolderName_;
    dataFolder_ = company + "/" + productFolderName_;
    configDbPath_ = dataFolder_ + "/Config.mdb";
    accountDbPath_ = dataFolder_ + "/Account.mdb";
    addressDbPath_ = dataFolder_ + "/Address.mdb";
    templateDbPath_ = dataFolder_ + "/Template.mdb";

    // Failures here (the folders exist, say) show up when the files are created.
    mkdir(Native(company).c_str(), 0700);
    mkdir(Native(dataFolder_).c_str(), 0700);
    return 1;
}

int CDataStore::CreateDatabases()
{
    if (!FindDataFolder()) return 0;

    struct Database {
        const CString& path;
        const char* schema;
        const char* message;
    };
    const Database databases[] = {
        {configDbPath_, kConfigSchema, "設定データベースの作成に失敗しました。"},
        {accountDbPath_, kAccountSchema, "差出人データベースの作成に失敗しました。"},
        {addressDbPath_, kAddressSchema, "アドレス帳データベースの作成に失敗しました。"},
        {templateDbPath_, kTemplateSchema, "定型文データベースの作成に失敗しました。"},
    };
    for (const Database& database : databases) {
        if (CreateDatabase(database.path, database.schema) == Created::Failed) {
            MessageBox(nullptr, database.message, productName_, MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
    }
    UpgradeAccountDatabase(accountDbPath_);
    return 1;
}
