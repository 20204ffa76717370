#pragma once
// CString: the system's byte string. Text is code page 932 (Shift_JIS) with CR LF line
// ends; lengths and positions are byte counts. The type never converts between encodings:
// that happens only at the edges, through CCodePage (CCodePage.h).
//
// Searching, replacing and case folding step over double-byte characters, so that a trail
// byte (0x40-0xFC, e.g. the 0x5C of "表") is never taken for an ASCII character. A lead byte
// that is not followed by a valid trail byte counts as a single byte, so CR and LF are
// always found, whatever the bytes around them.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CString {
public:
    CString() = default;
    CString(const char* text);  // null is the empty text
    CString(const char* text, int length);
    CString(std::string_view text) : text_(text) {}
    explicit CString(std::string&& text) : text_(std::move(text)) {}
    CString(char ch, int repeat = 1);

    int GetLength() const { return static_cast<int>(text_.size()); }
    bool IsEmpty() const { return text_.empty(); }
    void Empty() { text_.clear(); }
    // Zero-terminated bytes; a text with a zero byte inside ends there for C callers.
    const char* GetString() const { return text_.c_str(); }
    std::string_view View() const { return text_; }
    const std::string& Str() const { return text_; }
    std::string& Str() { return text_; }

    char GetAt(int index) const { return text_[static_cast<std::size_t>(index)]; }
    char operator[](int index) const { return GetAt(index); }
    void SetAt(int index, char ch) { text_[static_cast<std::size_t>(index)] = ch; }

    CString& operator=(const char* text);
    CString& operator=(std::string_view text) { text_.assign(text); return *this; }
    CString& operator+=(const CString& text) { text_ += text.text_; return *this; }
    CString& operator+=(const char* text);
    CString& operator+=(std::string_view text) { text_ += text; return *this; }
    CString& operator+=(char ch) { text_ += ch; return *this; }
    CString& Append(const char* data, int length);
    void Reserve(int capacity) { text_.reserve(static_cast<std::size_t>(capacity)); }

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend bool operator==(const CString& a, const CString& b) { return a.text_ == b.text_; }
    friend bool operator==(const CString& a, const char* b) { return a.text_ == (b ? b : ""); }
    friend auto operator<=>(const CString& a, const CString& b) { return a.text_ <=> b.text_; }

    // Byte-wise comparison: < 0, 0, > 0.
    int Compare(const char* other) const;
    // Comparison that folds ASCII letters (not trail bytes) to one case.
    int CompareNoCase(const char* other) const;

    // Positions of the first / last match at a character boundary at or after `start`; -1 if none.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* chars) const;

    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    // White space is blank, tab, CR, LF, vertical tab and form feed.
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& TrimLeft(const char* chars);
    CString& TrimRight(const char* chars);

    int Replace(char from, char to);
    int Replace(const char* from, const char* to);
    int Remove(char ch);
    int Insert(int index, const char* text);
    int Insert(int index, char ch);
    int Delete(int index, int count = 1);
    CString& MakeUpper();
    CString& MakeLower();

    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);
    void AppendFormatV(const char* format, va_list args);

private:
    // Length of the character at `pos`: 2 for a lead byte with a valid trail byte, else 1.
    int CharLength(std::size_t pos) const;

    std::string text_;
};

// Ordered sequence of CString.
class CStringArray {
public:
    int GetSize() const { return static_cast<int>(items_.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return items_.empty(); }
    int Add(const CString& text) { items_.push_back(text); return GetSize() - 1; }
    const CString& GetAt(int index) const { return items_[static_cast<std::size_t>(index)]; }
    CString& ElementAt(int index) { return items_[static_cast<std::size_t>(index)]; }
    const CString& operator[](int index) const { return GetAt(index); }
    CString& operator[](int index) { return ElementAt(index); }
    void SetAt(int index, const CString& text) { items_[static_cast<std::size_t>(index)] = text; }
    void InsertAt(int index, const CString& text);
    void RemoveAt(int index, int count = 1);
    void RemoveAll() { items_.clear(); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<CString> items_;
};
