#pragma once
// Charsets of received mail: MIME charset labels as other programs write them, and text that
// carries no label at all. Everything comes out as code page 932, with "〓" for what code
// page 932 cannot hold. Stateless; all members are static.

#include "encoding/CString.h"

#include <string>
#include <string_view>

class CMailCharset {
public:
    // The label reduced to the name the converter knows: case folded, quotes and an RFC 2231
    // language ("utf-8*ja") removed, aliases other programs use ("x-sjis", "ks_c_5601-1987",
    // "unicode-1-1-utf-7", ...) mapped. Empty for no label.
    static std::string Canonical(std::string_view label);

    // Text in `charset` to code page 932. ISO-2022-JP goes through the system's own JIS
    // conversion; the Shift_JIS family is code page 932 already. No label or US-ASCII: the
    // bytes decide (Guess). A charset nobody knows keeps its ASCII and gives "〓" for each
    // other byte, so unreadable text never shows as half-width katakana.
    static void ToCp932(std::string_view charset, std::string_view bytes, CString& out);

    // Text whose charset is not given: ISO-2022-JP when it carries JIS escapes, UTF-8 when it
    // is UTF-8 (RFC 6532; IsUtf8), else code page 932 as it stands.
    static void Guess(std::string_view bytes, CString& out);

    // The same rules with UTF-8 as the result (for HTML, which is read before it meets code
    // page 932, so that a no-break space is still one).
    static void ToUtf8(std::string_view charset, std::string_view bytes, std::string& out);

    // Valid UTF-8, or so nearly that it is UTF-8 damaged (a character cut short at a length
    // limit) rather than code page 932.
    static bool IsUtf8(std::string_view bytes);
    static bool HasJisEscape(std::string_view bytes);
};
