#pragma once
// The sink the MIME writer writes into: a file (CFileOutStream) or an SMTP session
// (CSmtpStream). The writer only calls WriteString; its caller opens and closes the stream.
// Text passes as zero-terminated byte strings, so a zero byte ends a piece.

class COutputStream {
public:
    virtual ~COutputStream() = default;
    [[nodiscard]] virtual int Open() = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual int WriteString(const char* text) = 0;
};
