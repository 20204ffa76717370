#include "encoding/CString.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::size_t Clamp(int value, std::size_t limit)
{
    if (value < 0) return 0;
    return static_cast<std::size_t>(value) > limit ? limit : static_cast<std::size_t>(value);
}

}  // namespace

CString::CString(const char* text) : text_(text ? text : "") {}

CString::CString(const char* text, int length)
{
    if (text && length > 0) text_.assign(text, static_cast<std::size_t>(length));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0) text_.assign(static_cast<std::size_t>(repeat), ch);
}

CString& CString::operator=(const char* text)
{
    text_.assign(text ? text : "");
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text) text_ += text;
    return *this;
}

CString& CString::Append(const char* data, int length)
{
    if (data && length > 0) text_.append(data, static_cast<std::size_t>(length));
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString result;
    result.text_.reserve(a.text_.size() + b.text_.size());
    result.text_ = a.text_;
    result.text_ += b.text_;
    return result;
}

CString operator+(const CString& a, const char* b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b)
{
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b)
{
    CString result(a);
    result += b;
    return result;
}

int CString::Compare(const char* other) const
{
    int c = text_.compare(other ? other : "");
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CString::CompareNoCase(const char* other) const
{
    std::string_view b(other ? other : "");
    std::size_t n = text_.size() < b.size() ? text_.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(AsciiLower(text_[i]));
        unsigned char y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (text_.size() == b.size()) return 0;
    return text_.size() < b.size() ? -1 : 1;
}

int CString::CharLength(std::size_t pos) const
{
    if (IsLeadByte(static_cast<unsigned char>(text_[pos])) && pos + 1 < text_.size()
        && IsTrailByte(static_cast<unsigned char>(text_[pos + 1])))
        return 2;
    return 1;
}

int CString::Find(char ch, int start) const
{
    for (std::size_t i = 0; i < text_.size(); i += static_cast<std::size_t>(CharLength(i))) {
        if (static_cast<int>(i) >= start && text_[i] == ch) return static_cast<int>(i);
    }
    return -1;
}

int CString::Find(const char* sub, int start) const
{
    std::string_view needle(sub ? sub : "");
    if (start < 0) start = 0;
    if (needle.empty()) return start <= GetLength() ? start : -1;
    for (std::size_t i = 0; i < text_.size(); i += static_cast<std::size_t>(CharLength(i))) {
        if (static_cast<int>(i) >= start && text_.compare(i, needle.size(), needle) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

int CString::ReverseFind(char ch) const
{
    int found = -1;
    for (std::size_t i = 0; i < text_.size(); i += static_cast<std::size_t>(CharLength(i))) {
        if (text_[i] == ch) found = static_cast<int>(i);
    }
    return found;
}

int CString::FindOneOf(const char* chars) const
{
    if (!chars) return -1;
    for (std::size_t i = 0; i < text_.size(); i += static_cast<std::size_t>(CharLength(i))) {
        if (text_[i] != '\0' && std::strchr(chars, text_[i])) return static_cast<int>(i);
    }
    return -1;
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    std::size_t from = Clamp(first, text_.size());
    std::size_t n = Clamp(count, text_.size() - from);
    return CString(std::string_view(text_).substr(from, n));
}

CString CString::Left(int count) const
{
    return CString(std::string_view(text_).substr(0, Clamp(count, text_.size())));
}

CString CString::Right(int count) const
{
    std::size_t n = Clamp(count, text_.size());
    return CString(std::string_view(text_).substr(text_.size() - n));
}

CString& CString::Trim()
{
    TrimRight();
    return TrimLeft();
}

CString& CString::TrimLeft()
{
    std::size_t i = 0;
    while (i < text_.size() && IsSpace(text_[i])) ++i;
    text_.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    // A trailing blank is never the trail byte of a double-byte character (trail bytes start at 0x40).
    std::size_t n = text_.size();
    while (n > 0 && IsSpace(text_[n - 1])) --n;
    text_.resize(n);
    return *this;
}

CString& CString::TrimLeft(const char* chars)
{
    if (!chars) return *this;
    std::size_t i = 0;
    while (i < text_.size() && CharLength(i) == 1 && text_[i] != '\0' && std::strchr(chars, text_[i])) ++i;
    text_.erase(0, i);
    return *this;
}

CString& CString::TrimRight(const char* chars)
{
    if (!chars) return *this;
    // Find where the run of single-byte characters from `chars` at the end starts, walking
    // forwards so that trail bytes are recognised.
    std::size_t keep = 0;
    for (std::size_t i = 0; i < text_.size();) {
        int len = CharLength(i);
        bool trimmable = len == 1 && text_[i] != '\0' && std::strchr(chars, text_[i]);
        i += static_cast<std::size_t>(len);
        if (!trimmable) keep = i;
    }
    text_.resize(keep);
    return *this;
}

int CString::Replace(char from, char to)
{
    int count = 0;
    for (std::size_t i = 0; i < text_.size(); i += static_cast<std::size_t>(CharLength(i))) {
        if (text_[i] == from) {
            text_[i] = to;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* from, const char* to)
{
    std::string_view old(from ? from : "");
    std::string_view replacement(to ? to : "");
    if (old.empty()) return 0;
    std::string result;
    int count = 0;
    std::size_t i = 0;
    while (i < text_.size()) {
        if (text_.compare(i, old.size(), old) == 0) {
            result += replacement;
            i += old.size();
            ++count;
        } else {
            int len = CharLength(i);
            result.append(text_, i, static_cast<std::size_t>(len));
            i += static_cast<std::size_t>(len);
        }
    }
    if (count) text_.swap(result);
    return count;
}

int CString::Remove(char ch)
{
    std::string result;
    int count = 0;
    for (std::size_t i = 0; i < text_.size();) {
        int len = CharLength(i);
        if (len == 1 && text_[i] == ch) {
            ++count;
        } else {
            result.append(text_, i, static_cast<std::size_t>(len));
        }
        i += static_cast<std::size_t>(len);
    }
    text_.swap(result);
    return count;
}

int CString::Insert(int index, const char* text)
{
    text_.insert(Clamp(index, text_.size()), text ? text : "");
    return GetLength();
}

int CString::Insert(int index, char ch)
{
    text_.insert(Clamp(index, text_.size()), 1, ch);
    return GetLength();
}

int CString::Delete(int index, int count)
{
    std::size_t from = Clamp(index, text_.size());
    text_.erase(from, Clamp(count, text_.size() - from));
    return GetLength();
}

CString& CString::MakeUpper()
{
    for (std::size_t i = 0; i < text_.size(); i += static_cast<std::size_t>(CharLength(i))) {
        if (CharLength(i) == 1) text_[i] = AsciiUpper(text_[i]);
    }
    return *this;
}

CString& CString::MakeLower()
{
    for (std::size_t i = 0; i < text_.size(); i += static_cast<std::size_t>(CharLength(i))) {
        if (CharLength(i) == 1) text_[i] = AsciiLower(text_[i]);
    }
    return *this;
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args)
{
    text_.clear();
    AppendFormatV(format, args);
}

void CString::AppendFormatV(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) return;
    std::size_t old = text_.size();
    text_.resize(old + static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(text_.data() + old, static_cast<std::size_t>(needed) + 1, format, args);
    text_.resize(old + static_cast<std::size_t>(needed));
}

void CStringArray::InsertAt(int index, const CString& text)
{
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(Clamp(index, items_.size())), text);
}

void CStringArray::RemoveAt(int index, int count)
{
    std::size_t from = Clamp(index, items_.size());
    std::size_t n = Clamp(count, items_.size() - from);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(from),
                 items_.begin() + static_cast<std::ptrdiff_t>(from + n));
}
