#pragma once
// One connection to one database file, over the sqlite3 C API. Every error throws
// CDbException. The file is named by its own bytes (CPath); text crosses into SQLite as
// UTF-8 (CCodePage), so the files read the same with any SQLite tool.
//
// Files are created in write-ahead-log mode (see CDataStore) and every connection runs
// with synchronous = NORMAL, so that a commit costs no flush: adding a person one by one
// is fast, and a crash still leaves the old state or the new one.
//
// A write waits up to kBusyTimeoutMs for a lock that another connection (a second program
// instance, say) holds, instead of failing at once.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A value bound to a "?" of a statement: an integer, a text (code page 932; the empty
// text binds as null), bytes that go in as they are (credentials, which are UTF-8 and not
// text of the system; a path's own bytes; empty binds as null) or null.
struct CDbNull {};
struct CDbBytes {
    std::string bytes;
};
using CDbValue = std::variant<CDbNull, std::int64_t, CString, CDbBytes>;

class CDatabase {
public:
    static constexpr int kBusyTimeoutMs = 3000;

    CDatabase() = default;
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Opens an existing file for reading and writing; never creates one. Content that is
    // deleted or overwritten is zeroed in the file (secure_delete): an old password must not
    // linger in free space.
    void Open(const CPath& path);
    // Opens a new database in memory (to compare a file's tables with the designed ones).
    void OpenMemory();
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const CPath& GetPath() const { return path_; }

    // Runs statements without parameters or results.
    void Execute(const char* sql);
    // Runs one statement with bound parameters and no results.
    void Execute(const char* sql, const std::vector<CDbValue>& params);

    // BEGIN IMMEDIATE: the write lock is taken at once (waiting for it as above), so a
    // transaction never fails half-way because another writer came first.
    void BeginTrans();
    void CommitTrans();
    // Never throws; does nothing outside a transaction.
    void Rollback();
    bool InTransaction() const;

    std::int64_t GetLastInsertRowId() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int GetChanges() const;
    sqlite3* Handle() const { return db_; }

    // Throws CDbException for a result code that is not SQLITE_OK, SQLITE_ROW or SQLITE_DONE.
    void Check(int result) const;

private:
    sqlite3* db_ = nullptr;
    CPath path_;
};

// One unit of writing: BEGIN IMMEDIATE ... COMMIT, or a savepoint when the caller has a
// transaction open already. Rolled back unless committed.
class CTransaction {
public:
    explicit CTransaction(CDatabase& db);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;
    void Commit();

private:
    CDatabase& db_;
    bool nested_;
    bool open_ = true;
};

// A prepared statement, finalised with its owner.
class CDbStatement {
public:
    CDbStatement() = default;
    CDbStatement(CDatabase& db, const std::string& sql);
    ~CDbStatement();
    CDbStatement(CDbStatement&& other) noexcept;
    CDbStatement& operator=(CDbStatement&& other) noexcept;
    CDbStatement(const CDbStatement&) = delete;
    CDbStatement& operator=(const CDbStatement&) = delete;

    bool IsPrepared() const { return stmt_ != nullptr; }
    void Reset();
    // Parameters are numbered from 1.
    void Bind(int index, const CDbValue& value);
    void Bind(const std::vector<CDbValue>& values, int first = 1);
    // True while a row is ready.
    bool Step();

    // Columns are numbered from 0.
    bool IsNull(int column) const;
    std::int64_t GetInt(int column) const;
    // The text converted to code page 932; null reads as the empty text.
    CString GetText(int column) const;
    // The text's bytes as stored, unconverted; null reads as empty.
    std::string GetBytes(int column) const;

private:
    CDatabase* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};
