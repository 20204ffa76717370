#include "import/MailFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CMailFile::~CMailFile()
{
    if (fd_ >= 0) ::close(fd_);
}

CMailFile::Result CMailFile::Open(const CPath& path, std::uint64_t limit)
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Missing : Unreadable;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return Unreadable;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return NotRegular;
    }
    if (static_cast<std::uint64_t>(info.st_size) > limit) {
        ::close(fd);
        return TooLarge;
    }
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(info.st_size);
    return Opened;
}

bool CMailFile::ReadAll(std::string& out) const
{
    out.clear();
    if (fd_ < 0) return false;
    out.resize(static_cast<std::size_t>(size_));
    std::size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + got, out.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;  // the file shrank while it was read
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return true;
}

bool ReadRegularFile(const CPath& path, std::uint64_t limit, std::string& out)
{
    CMailFile file;
    return file.Open(path, limit) == CMailFile::Opened && file.ReadAll(out);
}
