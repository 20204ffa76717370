#pragma once
// Quoted-printable decoding (RFC 2045 section 6.7).

#include "encoding/CString.h"

class CQuotedPrint {
public:
    // Returns 0 when `buffer` is null or smaller than `text`.
    static int Decode(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                      unsigned int& decodedLength);
};
