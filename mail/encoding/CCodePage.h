#pragma once
// The one place where text changes encoding. Inside the system all text is code page 932;
// Unicode (UTF-8) exists only at the edges: the GUI, file names, the databases, the
// clipboard. Mail in other charsets is converted here too. Built on the C library's iconv.

#include "encoding/CString.h"

#include <string>
#include <string_view>

class CCodePage {
public:
    // "〓" in code page 932: what a character that cannot be converted becomes.
    static constexpr const char* kGeta = "\x81\xAC";

    // Code page 932 to UTF-8. A byte sequence that is not code page 932 becomes U+3013 (〓).
    // Returns non-zero when every byte converted.
    static int ToUtf8(std::string_view cp932, std::string& utf8);
    static std::string ToUtf8(const CString& cp932);

    // UTF-8 to code page 932. A character that code page 932 cannot hold and every byte of
    // malformed UTF-8 become "〓". Returns non-zero when every character converted exactly.
    static int FromUtf8(std::string_view utf8, CString& cp932);
    static CString FromUtf8(std::string_view utf8);

    // Any charset iconv knows (names as in MIME: "utf-8", "euc-jp", "iso-8859-1", ...) to
    // code page 932, with "〓" for what cannot be converted. Returns 0 and leaves `cp932`
    // unchanged when the charset is unknown.
    static int ToCp932(const char* charset, std::string_view bytes, CString& cp932);

    // The general form: `from` to `to`, `replacement` (already in `to`) for every input
    // sequence that is malformed or has no counterpart. Returns -1 when iconv does not know
    // one of the charsets, 0 when something was replaced, 1 when everything converted.
    static int Convert(const char* from, const char* to, std::string_view input,
                       std::string& output, std::string_view replacement);
};
