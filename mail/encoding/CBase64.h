#pragma once
// Base64 content transfer encoding (RFC 2045 section 6.8), standard alphabet.

#include "encoding/CString.h"

#include <cstdint>

class CBase64 {
public:
    // Appends the Base64 text of the bytes to `out` as one unbroken line, "=" padded.
    static int Encode(const unsigned char* data, unsigned int length, CString& out);
    // Encoded size of `length` bytes as the writer lays it out in 72-character lines.
    static unsigned int CalcEnecodedSize(unsigned int length);
    // The same for lengths beyond 4 GB.
    static std::uint64_t CalcEnecodedSize64(std::uint64_t length);
    // Characters outside the alphabet (line ends, blanks) are skipped; a group cut short by
    // the end gives the whole bytes it holds. Returns 0 when `buffer` is null or smaller than
    // `text`, or when a step finds no room for three more bytes.
    static int Decode(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                      unsigned int& decodedLength);

    static const char base64Table[65];
};
