#pragma once
// Our small recordset layer over SQLite, shaped after the recordsets the data store was
// designed on: a set opens one table by name, binds its columns to members through
// DoFieldExchange, and moves over the rows that match its filter in its sort order.
//
// Every operation here throws CDbException on failure (an engine error, no current row, a
// text longer than its column). The recordset classes catch it at their own operations and
// return 0; code that drives the layer directly must catch it too.
//
// Texts: members hold code page 932, the file holds UTF-8; an empty text is written as
// null and a null reads back as the empty text. A Text(n) column holds at most n bytes of
// code page 932; a longer text makes Update throw before anything is written.
//
// Rows are kept as a list of row ids read at Requery; moving reads the row's current
// values. A find asks the engine for the first matching row with the criterion's values as
// bound parameters, so nothing a user types can change a query.

#include "data/CDatabase.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

class CDbException;

class CFieldExchange {
public:
    enum Operation { Describe, Load, Store, SetDefault };

    // The auto-increment id: read, never written.
    void Id(const char* column, long& value);
    void Long(const char* column, long& value);
    // Boolean columns hold 0 or 1.
    void Bool(const char* column, int& value);
    // `maxBytes` is the Text(n) limit in code page 932 bytes; 0 for a Memo column.
    void Text(const char* column, CString& value, int maxBytes = 0);
    // A Text(n) column that holds bytes, not text of the system (a user name, a password):
    // stored and read as they are (UTF-8), `maxBytes` counted in those bytes.
    void Bytes(const char* column, std::string& value, int maxBytes);
    // A Text(n) column that holds a path: stored as the path's own bytes (as Bytes), never
    // converted, so any folder comes back exactly; `maxBytes` counts those bytes.
    void Path(const char* column, CPath& value, int maxBytes);

private:
    friend class CRecordset;
    CFieldExchange(Operation operation) : operation_(operation) {}

    Operation operation_;
    int index_ = 0;
    const CDbStatement* row_ = nullptr;           // Load
    std::vector<CDbValue> values_;                // Store: every column but the id
    std::vector<std::string> columns_;            // Describe: every column
    int idIndex_ = -1;                            // Describe
};

class CRecordset {
public:
    // `table` is the table's name as it stands in the database; `sort` an ORDER BY list in
    // SQL ("[GROUP_NAME]") or empty.
    CRecordset(const CPath& databasePath, const char* table, const char* sort = "");
    virtual ~CRecordset();
    CRecordset(const CRecordset&) = delete;
    CRecordset& operator=(const CRecordset&) = delete;

    // Opens the database and the table and moves to the first row. Returns 0 (and stays
    // closed) when the file is missing, is not a database or lacks the table.
    int Open();
    void Close();
    bool IsOpen() const { return db_.IsOpen(); }
    const CPath& GetDatabasePath() const { return path_; }
    CDatabase& GetDatabase() { return db_; }

    // A criterion in SQL with "?" for each value, e.g. "[ID] = ?"; empty for none.
    void SetFilter(const std::string& criterion, std::vector<CDbValue> params = {});
    void ClearFilter() { SetFilter(std::string()); }
    // Reads the rows again and moves to the first.
    void Requery();

    void MoveFirst();
    void MoveNext();
    void MovePrev();
    void MoveLast();
    // Both are true for a set without rows.
    bool IsBOF();
    bool IsEOF();
    bool HasCurrent() const { return current_.has_value(); }
    // The engine's row id of the current row (for a table with an auto-increment id, the
    // id); throws when there is no current row.
    std::int64_t GetCurrentRowId() const;

    // Moves to the first row, in the set's order, that matches the filter and `criterion`
    // (SQL with "?" for each of `params`). False, with the current row unchanged, when
    // no row matches.
    bool FindFirst(const std::string& criterion, const std::vector<CDbValue>& params);

    // AddNew sets every member to 0 or the empty text; Edit keeps them. Update writes every
    // column but the id, in one statement.
    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    // Deletes the current row; afterwards there is no current row until the next move.
    void Delete();
    // Makes the row last added or edited through this set current.
    void MoveToLastModified();
    // For a table of one row: Edit of the first row, or AddNew when the table is empty (a
    // file made by another tool, or a row deleted by hand), so that Update always writes it.
    void EditFirstOrAddNew();

    // After a write of the keyed sets (Add, Modify, ...) that failed because a value was
    // longer than its column: that column and its limit in bytes, so a dialog can name the
    // field. Empty after any other failure and after a write that succeeded.
    const std::string& GetTooLongColumn() const { return tooLongColumn_; }
    int GetTooLongLimit() const { return tooLongLimit_; }

protected:
    virtual void DoFieldExchange(CFieldExchange& fx) = 0;
    // A write's outcome for GetTooLongColumn: called at its start with null, and from its
    // catch with the error.
    void NoteWriteError(const CDbException* error);
    // Forgets the row list (read again on the next move) and the last modified row: for
    // after a rolled-back write.
    void Invalidate();

private:
    enum class EditMode { None, Add, Edit };
    static constexpr std::ptrdiff_t kUnknownPosition = -2;

    void RequireOpen() const;
    // The statement for `sql`, prepared once per open set, reset and unbound.
    CDbStatement& Prepared(const std::string& sql);
    // Runs a cached statement without results.
    void Run(const std::string& sql, const std::vector<CDbValue>& params);
    void Describe();
    void EnsureKeys();
    void LoadKeys();
    void MoveTo(std::ptrdiff_t position);
    void LoadCurrent();
    std::string WhereClause(const std::string& criterion) const;
    std::string OrderClause() const;

    CPath path_;
    std::string table_;
    std::string sort_;
    std::string filter_;
    std::vector<CDbValue> filterParams_;
    CDatabase db_;

    std::vector<std::string> columns_;
    int idIndex_ = -1;
    CDbStatement loadRow_;
    std::map<std::string, CDbStatement> statements_;

    std::vector<std::int64_t> keys_;
    bool keysLoaded_ = false;
    std::ptrdiff_t position_ = -1;
    std::optional<std::int64_t> current_;
    std::optional<std::int64_t> lastModified_;
    EditMode editMode_ = EditMode::None;
    std::string tooLongColumn_;
    int tooLongLimit_ = 0;
};
