#pragma once
// A path as the file system holds it: its own bytes (UTF-8 on Linux, though a name may hold
// any bytes but NUL and "/"), kept from the moment a path enters the system (a file dialog,
// a drop, the command line, the XDG folders) until the file is opened. A path is a type of
// its own and never a CString: code page 932 text cannot be opened as a file by mistake, and
// a path reaches the user's eyes only through ToText, the one conversion to text.
//
// "/" and "." are single bytes in UTF-8 and never a trail byte of code page 932, so the
// byte-wise parts below work on any path.

#include "encoding/CString.h"

#include <compare>
#include <string>
#include <string_view>

class CPath {
public:
    CPath() = default;

    // The file system's own bytes, as a system call, argv, getenv, readdir or Qt's file-name
    // encoder gives them.
    static CPath FromNative(std::string_view bytes) { return CPath(std::string(bytes)); }
    // A name the system makes from text (a parsed attachment's name, say): code page 932
    // converted to UTF-8; a byte sequence that is not code page 932 becomes "〓".
    static CPath FromText(const CString& cp932);

    const std::string& Native() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    bool IsEmpty() const { return bytes_.empty(); }

    // The path for the user's eyes, or an attachment's title: code page 932, where a
    // character code page 932 lacks (or a byte that is not UTF-8) becomes "〓".
    CString ToText() const;

    // The last part, after the last "/" (the whole path when it has none).
    CPath FileName() const;
    // The part before the last "/": "/" for a path right under the root, empty for a path
    // without "/".
    CPath Parent() const;
    // This folder with `name` (the file system's bytes; an ASCII constant is the same in
    // every encoding) after a "/".
    CPath operator/(std::string_view name) const;
    CPath operator/(const CPath& name) const { return *this / std::string_view(name.bytes_); }

    friend bool operator==(const CPath& a, const CPath& b) = default;
    friend auto operator<=>(const CPath& a, const CPath& b) = default;

private:
    explicit CPath(std::string bytes) : bytes_(std::move(bytes)) {}

    std::string bytes_;
};
