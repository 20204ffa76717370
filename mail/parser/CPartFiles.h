#pragma once
// The files a parse writes into the document's temporary folder: new files only (never an
// existing file or a link planted under the name), numbered "_1", "_2", ... after the whole
// name when the name is taken, and decoded piece by piece so that a large attachment needs
// no copy of its own size.

#include "encoding/CString.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

class CPartFiles {
public:
    // Forgets the numbering; called at the start of each parse.
    void Reset() { next_.clear(); }

    // Creates "<folder>/<name><suffix>", or "<folder>/<name>_N<suffix>" with the first free
    // N; `folder` and `path` are the file system's bytes, `name` is code page 932 and is
    // converted to UTF-8. Names already numbered in this parse resume where they stopped, so that thousands
    // of parts with one name cost linear time. Returns the open descriptor, or -1.
    int Create(const char* folder, const CString& name, const char* suffix, CString& path);

    static bool WriteAll(int fd, const char* data, std::size_t length);

    // Transfer-decodes `content` into `fd`. Text in ISO-2022-JP is written as Shift_JIS, as
    // the system always has; other bytes are written as they are decoded.
    static bool WriteDecoded(int fd, std::string_view content, std::string_view encoding,
                             std::string_view charset);

private:
    std::unordered_map<std::string, int> next_;
};
