#include "writer/CFileOutStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Large enough that a line-by-line writer costs few system calls, small beside the
// memory budget of writing a message.
constexpr std::size_t kBufferSize = 64 * 1024;
}

CFileOutStream::CFileOutStream(const CPath& path) : path_(path)
{
}

CFileOutStream::~CFileOutStream()
{
    Close();
}

int CFileOutStream::Open()
{
    if (open_) return 1;
    file_ = ::open(path_.c_str(),
                   O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file_ < 0) return 0;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    open_ = 1;
    failed_ = 0;
    return 1;
}

void CFileOutStream::Close()
{
    if (!open_) return;
    if (!buffer_.empty() && !failed_) WriteOut(buffer_.data(), buffer_.size());
    buffer_.clear();
    if (::close(file_) != 0) failed_ = 1;
    file_ = -1;
    open_ = 0;
}

int CFileOutStream::CloseChecked()
{
    if (!open_) return 0;
    int flushed = Flush();
    Close();
    return flushed && !failed_;
}

int CFileOutStream::WriteString(const char* text)
{
    if (!open_ || failed_) return 0;
    std::size_t length = std::strlen(text);
    if (buffer_.size() + length <= kBufferSize) {
        buffer_.append(text, length);
        return 1;
    }
    if (!buffer_.empty()) {
        if (!WriteOut(buffer_.data(), buffer_.size())) return 0;
        buffer_.clear();
    }
    if (length < kBufferSize) {
        buffer_.append(text, length);
        return 1;
    }
    return WriteOut(text, length);
}

int CFileOutStream::Flush()
{
    if (!open_) return 0;
    if (!failed_ && !buffer_.empty()) {
        WriteOut(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    // A file that cannot be synced (a device, a read-only mount) is as complete as it gets.
    if (!failed_ && ::fsync(file_) != 0 && errno != EINVAL && errno != EROFS) failed_ = 1;
    return failed_ ? 0 : 1;
}

int CFileOutStream::WriteOut(const char* data, std::size_t length)
{
    while (length > 0) {
        ssize_t written = ::write(file_, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            failed_ = 1;
            return 0;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
    return 1;
}
