#pragma once
// Small helpers shared by the parser's files: ASCII case folding, blanks, code page 932
// character lengths and the transfer decoders. Not part of the library's interface.

#include "encoding/CString.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace perser {

constexpr auto npos = std::string_view::npos;

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
std::string ToLower(std::string_view s);
bool EqualNoCase(std::string_view a, std::string_view b);
bool StartsNoCase(std::string_view s, std::size_t pos, std::string_view key);
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// Blanks, tabs, CR and LF removed at both ends.
std::string_view TrimView(std::string_view s);

// Length of the code page 932 character at `i`: a lead byte followed by a valid trail byte is
// one character of two bytes, anything else one byte.
std::size_t CharLen(std::string_view s, std::size_t i);

// Finds `what` in s[pos, limit).
std::size_t FindIn(std::string_view s, std::string_view what, std::size_t pos, std::size_t limit);

// Undoes a transfer encoding: "B"/"base64", "Q"/"quoted-printable", "H" (%XX); anything else
// is copied. False when the decoder fails; `out` is then empty.
bool TransferDecode(std::string_view data, std::string_view encoding, std::string& out);

}  // namespace perser
