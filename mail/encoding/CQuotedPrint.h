#pragma once
// Quoted-printable (RFC 2045 section 6.7).

#include "encoding/CString.h"

class CQuotedPrint {
public:
    // Returns 0 when `buffer` is null or smaller than `text`.
    static int Decode(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                      unsigned int& decodedLength);
    // Appends the quoted-printable form of CR LF text to `out`: its line breaks stay hard
    // breaks, longer lines get soft breaks so that no encoded line exceeds 76 characters,
    // and "=", control bytes, 8-bit bytes and a blank or tab before a line end are escaped.
    static void Encode(const CString& text, CString& out);
};
