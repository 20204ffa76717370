#include "addressbook/CCsvSearchEngine.h"

#include "parser/CMailCharset.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Past the line end at `pos`: CR LF, LF, or CR alone. A run of CRs before an LF is one
// line end, as in files whose line ends were converted twice.
std::size_t SkipLineEnd(std::string_view text, std::size_t pos)
{
    if (pos < text.size() && text[pos] == '\r') {
        while (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    } else if (pos < text.size() && text[pos] == '\n') {
        ++pos;
    }
    return pos;
}

std::size_t LineEnd(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && !IsLineEnd(text[pos])) ++pos;
    return pos;
}

// A field that starts with a quote at `pos`; returns the position after it, at a comma or a
// line end (or the end of the text). Code page 932 never uses '"', ',', CR or LF as a trail
// byte, so the bytes can be scanned one by one.
std::size_t ReadQuotedField(std::string_view text, std::size_t pos, std::string& field)
{
    std::size_t i = pos + 1;
    std::size_t close = std::string_view::npos;
    while (i < text.size()) {
        std::size_t quote = text.find('"', i);
        if (quote == std::string_view::npos) break;
        field.append(text.substr(i, quote - i));
        if (quote + 1 < text.size() && text[quote + 1] == '"') {
            field += '"';
            i = quote + 2;
            continue;
        }
        close = quote;
        break;
    }
    if (close == std::string_view::npos) {
        // Never closed: the field is the rest of its line.
        std::size_t end = LineEnd(text, pos + 1);
        field.assign(text.substr(pos + 1, end - pos - 1));
        return end;
    }
    // What stands between the closing quote and the next comma is no part of any field.
    std::size_t next = close + 1;
    while (next < text.size() && text[next] != ',' && !IsLineEnd(text[next])) ++next;
    return next;
}

}  // namespace

CCsvSearchEngine::~CCsvSearchEngine() = default;

int CCsvSearchEngine::ReadFile(const CPath& path, std::string& bytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return 0;
    }
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            bytes.clear();
            return 0;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return 1;
}

CString CCsvSearchEngine::DecodeText(std::string_view bytes)
{
    CString text;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        CMailCharset::ToCp932("utf-8", bytes.substr(3), text);
    } else if (StartsWith(bytes, "\xFF\xFE")) {
        CMailCharset::ToCp932("utf-16le", bytes.substr(2), text);
    } else if (StartsWith(bytes, "\xFE\xFF")) {
        CMailCharset::ToCp932("utf-16be", bytes.substr(2), text);
    } else {
        // UTF-8 when it is UTF-8, else code page 932 as it stands.
        CMailCharset::Guess(bytes, text);
    }
    return text;
}

void CCsvSearchEngine::SplitRows(std::string_view text, const std::function<void(CStringArray&)>& onRow)
{
    CStringArray fields;
    std::string field;
    std::size_t pos = 0;
    while (pos < text.size() && !IsLineEnd(text[pos])) {
        fields.RemoveAll();
        for (;;) {
            field.clear();
            if (pos < text.size() && text[pos] == '"') {
                pos = ReadQuotedField(text, pos, field);
            } else {
                std::size_t end = pos;
                while (end < text.size() && text[end] != ',' && !IsLineEnd(text[end])) ++end;
                field.assign(text.substr(pos, end - pos));
                pos = end;
            }
            fields.Add(CString(std::move(field)));
            if (pos < text.size() && text[pos] == ',') {
                ++pos;
                continue;
            }
            break;
        }
        pos = SkipLineEnd(text, pos);
        onRow(fields);
    }
}

int CCsvSearchEngine::LoadTextFile(const CPath& path)
{
    std::string bytes;
    if (!ReadFile(path, bytes)) {
        FreeRecords();
        return 0;
    }
    LoadText(bytes);
    return 1;
}

void CCsvSearchEngine::LoadText(std::string_view bytes)
{
    FreeRecords();
    OnLoad();
    const CString text = DecodeText(bytes);
    SplitRows(text.View(), [this](CStringArray& fields) { OnRow(fields); });
    FinishLoading();
}

void CCsvSearchEngine::FreeRecords()
{
    records_.clear();
    records_.shrink_to_fit();
    MoveTo(NoLines);
}

void CCsvSearchEngine::AddRecord(std::unique_ptr<CCsvRecord> record)
{
    records_.push_back(std::move(record));
}

void CCsvSearchEngine::FinishLoading()
{
    MoveFirst();
}

int CCsvSearchEngine::MoveFirst()
{
    MoveTo(records_.empty() ? NoLines : 0);
    return current_ >= 0;
}

int CCsvSearchEngine::MoveNext()
{
    if (current_ < 0) return 0;
    MoveTo(current_ + 1 < GetRecordCount() ? current_ + 1 : PastEnd);
    return current_ >= 0;
}

void CCsvSearchEngine::MoveTo(int index)
{
    current_ = index;
    OnMove(current_ >= 0 ? records_[static_cast<std::size_t>(current_)].get() : nullptr);
}
