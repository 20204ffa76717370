#pragma once
// The one exception type of the recordset layer: an engine error, a text longer than its
// column allows, an operation without a current row. It never leaves the data store: every
// recordset operation that the rest of the program calls catches it and returns 0.

#include <stdexcept>
#include <string>

class CDbException : public std::runtime_error {
public:
    // `code` is the SQLite result code, or 0 for an error found by the layer itself.
    CDbException(int code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    int GetCode() const { return code_; }

    // A value longer than its column allows: the column's name and its limit in bytes.
    static CDbException TooLong(const char* column, int maxBytes)
    {
        CDbException error(0, "value longer than " + std::to_string(maxBytes) + " bytes for column " + column);
        error.column_ = column;
        error.maxBytes_ = maxBytes;
        return error;
    }
    // The column of a value too long, empty for any other error.
    const std::string& GetTooLongColumn() const { return column_; }
    int GetTooLongLimit() const { return maxBytes_; }

private:
    int code_;
    std::string column_;
    int maxBytes_ = 0;
};
