#include "data/CRecordset.h"

#include "data/CDbException.h"

#include <algorithm>

namespace {

std::string Quote(const std::string& name)
{
    return "\"" + name + "\"";
}

}  // namespace

void CFieldExchange::Id(const char* column, long& value)
{
    switch (operation_) {
    case Describe:
        idIndex_ = index_;
        columns_.emplace_back(column);
        break;
    case Load:
        value = static_cast<long>(row_->GetInt(index_));
        break;
    case SetDefault:
        value = 0;
        break;
    case Store:
        break;
    }
    ++index_;
}

void CFieldExchange::Long(const char* column, long& value)
{
    switch (operation_) {
    case Describe:
        columns_.emplace_back(column);
        break;
    case Load:
        value = static_cast<long>(row_->GetInt(index_));
        break;
    case SetDefault:
        value = 0;
        break;
    case Store:
        values_.emplace_back(static_cast<std::int64_t>(value));
        break;
    }
    ++index_;
}

void CFieldExchange::Bool(const char* column, int& value)
{
    switch (operation_) {
    case Describe:
        columns_.emplace_back(column);
        break;
    case Load:
        value = row_->GetInt(index_) != 0;
        break;
    case SetDefault:
        value = 0;
        break;
    case Store:
        values_.emplace_back(static_cast<std::int64_t>(value != 0));
        break;
    }
    ++index_;
}

void CFieldExchange::Text(const char* column, CString& value, int maxBytes)
{
    switch (operation_) {
    case Describe:
        columns_.emplace_back(column);
        break;
    case Load:
        value = row_->GetText(index_);
        break;
    case SetDefault:
        value.Empty();
        break;
    case Store:
        if (maxBytes > 0 && value.GetLength() > maxBytes) {
            throw CDbException::TooLong(column, maxBytes);
        }
        values_.emplace_back(value);  // the empty text binds as null
        break;
    }
    ++index_;
}

void CFieldExchange::Bytes(const char* column, std::string& value, int maxBytes)
{
    switch (operation_) {
    case Describe:
        columns_.emplace_back(column);
        break;
    case Load:
        value = row_->GetBytes(index_);
        break;
    case SetDefault:
        value.clear();
        break;
    case Store:
        if (static_cast<int>(value.size()) > maxBytes) {
            throw CDbException::TooLong(column, maxBytes);
        }
        values_.emplace_back(CDbBytes{value});
        break;
    }
    ++index_;
}

void CFieldExchange::Path(const char* column, CPath& value, int maxBytes)
{
    std::string bytes = value.Native();
    Bytes(column, bytes, maxBytes);
    if (operation_ == Load || operation_ == SetDefault) value = CPath::FromNative(bytes);
}

CRecordset::CRecordset(const CPath& databasePath, const char* table, const char* sort)
    : path_(databasePath), table_(table), sort_(sort ? sort : "")
{
}

CRecordset::~CRecordset()
{
    Close();
}

int CRecordset::Open()
{
    try {
        Close();
        db_.Open(path_);
        Describe();
        std::string list;
        for (const auto& column : columns_) list += (list.empty() ? "" : ", ") + Quote(column);
        // Preparing fails when the table or a column is missing.
        loadRow_ = CDbStatement(db_, "SELECT " + list + " FROM " + Quote(table_)
                                         + " WHERE rowid = ?");
        Requery();
        return 1;
    } catch (const CDbException&) {
        Close();
        return 0;
    }
}

void CRecordset::Close()
{
    loadRow_ = CDbStatement();
    statements_.clear();
    db_.Close();
    keys_.clear();
    keysLoaded_ = false;
    position_ = -1;
    current_.reset();
    lastModified_.reset();
    editMode_ = EditMode::None;
}

void CRecordset::RequireOpen() const
{
    if (!db_.IsOpen()) throw CDbException(0, "recordset not open");
}

CDbStatement& CRecordset::Prepared(const std::string& sql)
{
    RequireOpen();
    auto found = statements_.find(sql);
    if (found == statements_.end()) found = statements_.emplace(sql, CDbStatement(db_, sql)).first;
    found->second.Reset();
    return found->second;
}

void CRecordset::Run(const std::string& sql, const std::vector<CDbValue>& params)
{
    CDbStatement& statement = Prepared(sql);
    statement.Bind(params);
    while (statement.Step()) {
    }
    statement.Reset();
}

void CRecordset::Describe()
{
    CFieldExchange fx(CFieldExchange::Describe);
    DoFieldExchange(fx);
    columns_ = std::move(fx.columns_);
    idIndex_ = fx.idIndex_;
}

void CRecordset::SetFilter(const std::string& criterion, std::vector<CDbValue> params)
{
    filter_ = criterion;
    filterParams_ = std::move(params);
    keysLoaded_ = false;
    keys_.clear();
    position_ = current_ ? kUnknownPosition : -1;
}

std::string CRecordset::WhereClause(const std::string& criterion) const
{
    std::string where;
    if (!filter_.empty()) where = "(" + filter_ + ")";
    if (!criterion.empty()) where += (where.empty() ? "(" : " AND (") + criterion + ")";
    return where.empty() ? where : " WHERE " + where;
}

std::string CRecordset::OrderClause() const
{
    return " ORDER BY " + (sort_.empty() ? std::string() : sort_ + ", ") + "rowid";
}

void CRecordset::LoadKeys()
{
    RequireOpen();
    CDbStatement& statement =
        Prepared("SELECT rowid FROM " + Quote(table_) + WhereClause("") + OrderClause());
    statement.Bind(filterParams_);
    keys_.clear();
    while (statement.Step()) keys_.push_back(statement.GetInt(0));
    statement.Reset();
    keysLoaded_ = true;
}

void CRecordset::EnsureKeys()
{
    RequireOpen();
    if (!keysLoaded_) LoadKeys();
    if (position_ == kUnknownPosition) {
        auto found = current_ ? std::find(keys_.begin(), keys_.end(), *current_) : keys_.end();
        position_ = found - keys_.begin();
    }
}

void CRecordset::Requery()
{
    RequireOpen();
    editMode_ = EditMode::None;
    current_.reset();
    LoadKeys();
    MoveTo(0);
}

void CRecordset::MoveTo(std::ptrdiff_t position)
{
    auto count = static_cast<std::ptrdiff_t>(keys_.size());
    editMode_ = EditMode::None;
    position_ = std::clamp<std::ptrdiff_t>(position, -1, count);
    if (position_ < 0 || position_ >= count) {
        current_.reset();
        return;
    }
    current_ = keys_[static_cast<std::size_t>(position_)];
    LoadCurrent();
}

void CRecordset::LoadCurrent()
{
    loadRow_.Reset();
    loadRow_.Bind(1, *current_);
    if (!loadRow_.Step()) {
        loadRow_.Reset();
        current_.reset();
        throw CDbException(0, "the row was deleted");
    }
    CFieldExchange fx(CFieldExchange::Load);
    fx.row_ = &loadRow_;
    DoFieldExchange(fx);
    loadRow_.Reset();
}

void CRecordset::MoveFirst()
{
    EnsureKeys();
    MoveTo(0);
}

void CRecordset::MoveNext()
{
    EnsureKeys();
    if (position_ >= static_cast<std::ptrdiff_t>(keys_.size()))
        throw CDbException(0, "no current row");
    MoveTo(position_ + 1);
}

void CRecordset::MovePrev()
{
    EnsureKeys();
    if (position_ < 0) throw CDbException(0, "no current row");
    MoveTo(position_ - 1);
}

void CRecordset::MoveLast()
{
    EnsureKeys();
    MoveTo(static_cast<std::ptrdiff_t>(keys_.size()) - 1);
}

bool CRecordset::IsBOF()
{
    EnsureKeys();
    return keys_.empty() || (!current_ && position_ < 0);
}

bool CRecordset::IsEOF()
{
    EnsureKeys();
    return keys_.empty()
        || (!current_ && position_ >= static_cast<std::ptrdiff_t>(keys_.size()));
}

bool CRecordset::FindFirst(const std::string& criterion, const std::vector<CDbValue>& params)
{
    RequireOpen();
    CDbStatement& statement = Prepared("SELECT rowid FROM " + Quote(table_)
                                       + WhereClause(criterion) + OrderClause() + " LIMIT 1");
    statement.Bind(filterParams_);
    statement.Bind(params, static_cast<int>(filterParams_.size()) + 1);
    bool found = statement.Step();
    std::int64_t row = found ? statement.GetInt(0) : 0;
    statement.Reset();
    if (!found) return false;
    editMode_ = EditMode::None;
    current_ = row;
    position_ = kUnknownPosition;
    LoadCurrent();
    return true;
}

void CRecordset::AddNew()
{
    RequireOpen();
    CFieldExchange fx(CFieldExchange::SetDefault);
    DoFieldExchange(fx);
    editMode_ = EditMode::Add;
}

void CRecordset::Edit()
{
    RequireOpen();
    if (!current_) throw CDbException(0, "no current row");
    editMode_ = EditMode::Edit;
}

void CRecordset::CancelUpdate()
{
    if (editMode_ == EditMode::None) return;
    editMode_ = EditMode::None;
    if (current_) LoadCurrent();
}

void CRecordset::Update()
{
    RequireOpen();
    if (editMode_ == EditMode::None) throw CDbException(0, "Update without AddNew or Edit");
    CFieldExchange fx(CFieldExchange::Store);
    DoFieldExchange(fx);

    std::vector<std::string> written;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (static_cast<int>(i) != idIndex_) written.push_back(Quote(columns_[i]));
    }
    EditMode mode = editMode_;
    if (mode == EditMode::Add) {
        std::string names, marks;
        for (const auto& column : written) {
            names += (names.empty() ? "" : ", ") + column;
            marks += marks.empty() ? "?" : ", ?";
        }
        Run("INSERT INTO " + Quote(table_) + " (" + names + ") VALUES (" + marks + ")",
            fx.values_);
        lastModified_ = db_.GetLastInsertRowId();
        if (keysLoaded_) keys_.push_back(*lastModified_);
    } else {
        std::string assignments;
        for (const auto& column : written)
            assignments += (assignments.empty() ? "" : ", ") + column + " = ?";
        fx.values_.emplace_back(*current_);
        Run("UPDATE " + Quote(table_) + " SET " + assignments + " WHERE rowid = ?", fx.values_);
        if (db_.GetChanges() == 0) throw CDbException(0, "the row was deleted");
        lastModified_ = current_;
    }
    editMode_ = EditMode::None;
    // As after an add in the designed engine, the members show the current row again;
    // the row written stays written even if that row has gone meanwhile.
    if (mode == EditMode::Add && current_) {
        try {
            LoadCurrent();
        } catch (const CDbException&) {
        }
    }
}

void CRecordset::Delete()
{
    RequireOpen();
    if (!current_) throw CDbException(0, "no current row");
    EnsureKeys();
    Run("DELETE FROM " + Quote(table_) + " WHERE rowid = ?", {*current_});
    auto found = std::find(keys_.begin(), keys_.end(), *current_);
    if (found != keys_.end()) {
        position_ = (found - keys_.begin()) - 1;
        keys_.erase(found);
    }
    current_.reset();
    editMode_ = EditMode::None;
}

void CRecordset::MoveToLastModified()
{
    RequireOpen();
    if (!lastModified_) throw CDbException(0, "no row was modified");
    editMode_ = EditMode::None;
    current_ = lastModified_;
    position_ = kUnknownPosition;
    LoadCurrent();
}

void CRecordset::EditFirstOrAddNew()
{
    MoveFirst();
    if (HasCurrent())
        Edit();
    else
        AddNew();
}

std::int64_t CRecordset::GetCurrentRowId() const
{
    if (!current_) throw CDbException(0, "no current row");
    return *current_;
}

void CRecordset::NoteWriteError(const CDbException* error)
{
    tooLongColumn_ = error ? error->GetTooLongColumn() : std::string();
    tooLongLimit_ = error ? error->GetTooLongLimit() : 0;
}

void CRecordset::Invalidate()
{
    keysLoaded_ = false;
    keys_.clear();
    position_ = current_ ? kUnknownPosition : -1;
    lastModified_.reset();
}
