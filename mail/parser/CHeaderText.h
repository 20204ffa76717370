#pragma once
// Text of received header fields: raw 8-bit or JIS text and encoded words (RFC 2047) to code
// page 932. Stateless; all members are static.

#include "encoding/CString.h"

#include <string_view>

class CHeaderText {
public:
    // A field value as it arrived (unfolded): its raw text is read by CMailCharset::Guess
    // (UTF-8 when valid, RFC 6532; JIS escapes; else code page 932), then its encoded words
    // are decoded.
    static CString Decode(std::string_view raw);

    // Encoded words of text already in code page 932. Adjacent words (only white space
    // between them) lose that white space (RFC 2047 6.2), and adjacent words in the same
    // charset are decoded as one, so a character split across two words survives. A word
    // whose decoding fails contributes nothing; "=?" that starts no whole word stays as text.
    static CString DecodeWords(std::string_view text);
};
