#pragma once
// COutputStream into one file, created or truncated for binary writing. Bytes are buffered:
// a write error may only show when the buffer is written out, so a caller that must know
// the file is complete calls Flush before Close.

#include "encoding/CString.h"
#include "model/CPath.h"
#include "writer/COutputStream.h"

#include <string>

class CFileOutStream : public COutputStream {
public:
    explicit CFileOutStream(const CPath& path);
    ~CFileOutStream() override;
    CFileOutStream(const CFileOutStream&) = delete;
    CFileOutStream& operator=(const CFileOutStream&) = delete;

    [[nodiscard]] int Open() override;
    void Close() override;
    // 0 when not open or when the file system reports an error.
    [[nodiscard]] int WriteString(const char* text) override;

    // Writes out every buffered byte and asks the file system to make the file durable.
    // 0 when not open or when any write into the file has failed.
    [[nodiscard]] int Flush();
    // Flush, then Close: 0 when anything written did not reach the file, the closing
    // included (a network file system may report a failed write only there).
    [[nodiscard]] int CloseChecked();

private:
    int WriteOut(const char* data, std::size_t length);

    CPath path_;
    int file_ = -1;
    int open_ = 0;
    int failed_ = 0;
    std::string buffer_;
};
