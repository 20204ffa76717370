#include "data/CDatabase.h"

#include "data/CDbException.h"
#include "encoding/CCodePage.h"

#include <sqlite3.h>

#include <utility>

CDatabase::~CDatabase()
{
    Close();
}

void CDatabase::Open(const CPath& path)
{
    Close();
    sqlite3* db = nullptr;
    const std::string& native = path.Native();
    int result = sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (result != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(result);
        sqlite3_close(db);
        throw CDbException(result, message + ": " + native);
    }
    db_ = db;
    path_ = path;
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    try {
        // A file that is not a database opens without complaint; the first read finds out.
        Execute("SELECT count(*) FROM sqlite_master");
        Execute("PRAGMA secure_delete = ON");
        // With the write-ahead log a commit needs no flush to disk and stays atomic: a crash
        // or power cut loses at most the last commits, never the file's consistency. A file
        // found with a rollback journal keeps full flushing, which it needs to stay whole.
        CDbStatement mode(*this, "PRAGMA journal_mode");
        if (mode.Step() && mode.GetText(0) == "wal") Execute("PRAGMA synchronous = NORMAL");
    } catch (...) {
        Close();
        throw;
    }
}

void CDatabase::OpenMemory()
{
    Close();
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_close(db);
        throw CDbException(result, sqlite3_errstr(result));
    }
    db_ = db;
    path_ = CPath();
}

void CDatabase::Close()
{
    if (db_) {
        Rollback();
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void CDatabase::Check(int result) const
{
    if (result == SQLITE_OK || result == SQLITE_ROW || result == SQLITE_DONE) return;
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
    throw CDbException(result, message);
}

void CDatabase::Execute(const char* sql)
{
    if (!db_) throw CDbException(0, "database not open");
    char* error = nullptr;
    int result = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (result != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(result);
        sqlite3_free(error);
        throw CDbException(result, message);
    }
}

void CDatabase::Execute(const char* sql, const std::vector<CDbValue>& params)
{
    CDbStatement statement(*this, sql);
    statement.Bind(params);
    while (statement.Step()) {
    }
}

void CDatabase::BeginTrans()
{
    Execute("BEGIN IMMEDIATE");
}

void CDatabase::CommitTrans()
{
    Execute("COMMIT");
}

void CDatabase::Rollback()
{
    if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool CDatabase::InTransaction() const
{
    return db_ && !sqlite3_get_autocommit(db_);
}

std::int64_t CDatabase::GetLastInsertRowId() const
{
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

int CDatabase::GetChanges() const
{
    return db_ ? sqlite3_changes(db_) : 0;
}

CTransaction::CTransaction(CDatabase& db) : db_(db), nested_(db.InTransaction())
{
    if (nested_)
        db_.Execute("SAVEPOINT unit");
    else
        db_.BeginTrans();
}

CTransaction::~CTransaction()
{
    if (!open_ || !db_.IsOpen()) return;
    if (nested_) {
        sqlite3_exec(db_.Handle(), "ROLLBACK TO unit; RELEASE unit", nullptr, nullptr, nullptr);
    } else {
        db_.Rollback();
    }
}

void CTransaction::Commit()
{
    db_.Execute(nested_ ? "RELEASE unit" : "COMMIT");
    open_ = false;
}

CDbStatement::CDbStatement(CDatabase& db, const std::string& sql) : db_(&db)
{
    if (!db.IsOpen()) throw CDbException(0, "database not open");
    db.Check(sqlite3_prepare_v2(db.Handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_,
                                nullptr));
}

CDbStatement::~CDbStatement()
{
    sqlite3_finalize(stmt_);
}

CDbStatement::CDbStatement(CDbStatement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr))
{
}

CDbStatement& CDbStatement::operator=(CDbStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void CDbStatement::Reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void CDbStatement::Bind(int index, const CDbValue& value)
{
    int result = SQLITE_OK;
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        result = sqlite3_bind_int64(stmt_, index, *number);
    } else if (const auto* text = std::get_if<CString>(&value); text && !text->IsEmpty()) {
        std::string utf8 = CCodePage::ToUtf8(*text);
        result = sqlite3_bind_text(stmt_, index, utf8.data(), static_cast<int>(utf8.size()),
                                   SQLITE_TRANSIENT);
    } else if (const auto* raw = std::get_if<CDbBytes>(&value); raw && !raw->bytes.empty()) {
        result = sqlite3_bind_text(stmt_, index, raw->bytes.data(), static_cast<int>(raw->bytes.size()),
                                   SQLITE_TRANSIENT);
    } else {
        result = sqlite3_bind_null(stmt_, index);
    }
    db_->Check(result);
}

void CDbStatement::Bind(const std::vector<CDbValue>& values, int first)
{
    for (std::size_t i = 0; i < values.size(); ++i) Bind(first + static_cast<int>(i), values[i]);
}

bool CDbStatement::Step()
{
    int result = sqlite3_step(stmt_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    // The error text belongs to the connection; read it before the reset clears it.
    std::string message = sqlite3_errmsg(db_->Handle());
    sqlite3_reset(stmt_);
    throw CDbException(result, message);
}

std::string CDbStatement::GetBytes(int column) const
{
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (!text) return std::string();
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

bool CDbStatement::IsNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t CDbStatement::GetInt(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

CString CDbStatement::GetText(int column) const
{
    return CCodePage::FromUtf8(GetBytes(column));
}
