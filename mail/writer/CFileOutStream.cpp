#include "writer/CFileOutStream.h"

#include "model/CFileUtility.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
// Large enough that a line-by-line writer costs few system calls, small beside the
// memory budget of writing a message.
constexpr std::size_t kBufferSize = 64 * 1024;
}

CFileOutStream::CFileOutStream(const char* path) : path_(path)
{
}

CFileOutStream::~CFileOutStream()
{
    Close();
}

int CFileOutStream::Open()
{
    if (open_) return 1;
    file_ = std::fopen(CFileUtility::NativePath(path_.GetString()).c_str(), "wb");
    if (!file_) return 0;
    std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    open_ = 1;
    failed_ = 0;
    return 1;
}

void CFileOutStream::Close()
{
    if (!open_) return;
    std::fclose(file_);
    file_ = nullptr;
    open_ = 0;
}

int CFileOutStream::WriteString(const char* text)
{
    if (!open_) return 0;
    std::size_t length = std::strlen(text);
    if (length == 0) return 1;
    if (std::fwrite(text, 1, length, file_) != length) {
        std::clearerr(file_);
        failed_ = 1;
        return 0;
    }
    return 1;
}

int CFileOutStream::Flush()
{
    if (!open_) return 0;
    if (std::fflush(file_) != 0) {
        std::clearerr(file_);
        failed_ = 1;
    }
    // A file that cannot be synced (a device, a read-only mount) is as complete as it gets.
    if (!failed_ && ::fsync(::fileno(file_)) != 0 && errno != EINVAL && errno != EROFS) {
        failed_ = 1;
    }
    return failed_ ? 0 : 1;
}
