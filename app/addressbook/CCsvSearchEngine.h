#pragma once
// The line store of a comma-separated text file: the file is read once, each of its records
// becomes one record object, kept in file order, and one record is current. The current index
// is a record number, NoLines when the store is empty, PastEnd after the last record.
//
// Text: a file that starts with a byte order mark (UTF-8, UTF-16 LE or BE), or that is UTF-8
// throughout, is converted to code page 932; any other file is code page 932 already, as the
// exports of Windows programs in Japan are.
//
// Fields (RFC 4180, read leniently): a field that starts with a double quote runs to the
// closing quote, a doubled quote inside it being one quote, and may hold commas and line
// breaks; whatever stands between the closing quote and the next comma is dropped. Any other
// field runs to the next comma or the end of its line. A quote that is never closed quotes
// only to the end of its line, so one stray quote cannot swallow the rest of the file.
// A line ends with LF, CR LF or CR alone. Reading stops at the first empty line outside a
// quoted field, or at the end of the file.
//
// A derived reader turns rows into records: OnRow sees every row, the heading first.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CCsvRecord {
public:
    virtual ~CCsvRecord() = default;
};

class CCsvSearchEngine {
public:
    enum : int { NoLines = -1, PastEnd = -2 };

    CCsvSearchEngine() = default;
    virtual ~CCsvSearchEngine();
    CCsvSearchEngine(const CCsvSearchEngine&) = delete;
    CCsvSearchEngine& operator=(const CCsvSearchEngine&) = delete;

    // Frees the records, reads the file's rows into new ones and makes the first current.
    // 0 when the file cannot be read (no records then).
    [[nodiscard]] int LoadTextFile(const CPath& path);
    // The same for the bytes of a file already read.
    void LoadText(std::string_view bytes);
    void FreeRecords();

    int GetRecordCount() const { return static_cast<int>(records_.size()); }
    int GetCurrentIndex() const { return current_; }
    // Non-zero when a record is current afterwards.
    int MoveFirst();
    int MoveNext();
    int IsEOF() const { return current_ < 0; }

    // The file's bytes as code page 932 text (see above).
    static CString DecodeText(std::string_view bytes);
    // Splits code page 932 text into rows of fields, stopping at the first empty line.
    static void SplitRows(std::string_view text, const std::function<void(CStringArray&)>& onRow);
    // The whole file; 0 when it is no regular file or cannot be read.
    [[nodiscard]] static int ReadFile(const CPath& path, std::string& bytes);

protected:
    // Before the first row of a load.
    virtual void OnLoad() {}
    // Every row in file order, the heading first; the reader adds the records it makes.
    virtual void OnRow(CStringArray& fields) = 0;
    // After every move, with the new current record (null at NoLines and PastEnd).
    virtual void OnMove(const CCsvRecord* record) = 0;
    // Records begin at NoLines; the first added becomes current once loading is done.
    void AddRecord(std::unique_ptr<CCsvRecord> record);
    // Makes the first record current after records were added outside LoadText.
    void FinishLoading();

private:
    void MoveTo(int index);

    std::vector<std::unique_ptr<CCsvRecord>> records_;
    int current_ = NoLines;
};
