#pragma once
// The files the mail import reads (a dropped ".eml", a mailbox, its index, profiles.ini):
// opened without blocking, so that a FIFO or a device named in a drop cannot hang the
// program, and kept only when they are regular files within a size limit.

#include "model/CPath.h"

#include <cstdint>
#include <limits>
#include <string>

class CMailFile {
public:
    enum Result { Opened = 0, Missing, NotRegular, TooLarge, Unreadable };

    CMailFile() = default;
    ~CMailFile();
    CMailFile(const CMailFile&) = delete;
    CMailFile& operator=(const CMailFile&) = delete;

    Result Open(const CPath& path, std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());
    int Descriptor() const { return fd_; }
    std::uint64_t Size() const { return size_; }
    // The whole file; false on a read error.
    bool ReadAll(std::string& out) const;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// A regular file of at most `limit` bytes, read whole; false for anything else.
bool ReadRegularFile(const CPath& path, std::uint64_t limit, std::string& out);
