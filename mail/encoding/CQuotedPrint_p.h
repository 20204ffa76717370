#pragma once
// Shared by the quoted-printable and the %XX decoders.

#include "encoding/CString.h"

// Copies `text` into `buffer`, turning `escape` followed by two hexadecimal digits into the
// byte they give; an escape character not followed by two digits stands for itself. With
// `softBreaks`, the escape character followed by CR LF, LF or the end of the text is a soft
// line break and yields nothing. Returns 0 (decodedLength 0) when `buffer` is null or smaller
// than `text`; stops when `buffer` is full.
int DecodeEscapedText(const CString& text, unsigned char* buffer, unsigned int bufferSize,
                      unsigned int& decodedLength, char escape, bool softBreaks);
