#pragma once
// What a written message takes from the machine it is written on: the clock (Date, the
// Message-ID time stamp, the boundary), the process id and the host name (Message-ID,
// boundary). The system provides the real values; tests install fixed ones so that written
// messages can be compared byte for byte. Not owned; the installed object must outlive its use.

#include "encoding/CString.h"

#include <ctime>

class CMailEnvironment {
public:
    virtual ~CMailEnvironment() = default;

    // Seconds since 1970.
    virtual std::time_t Now() const;
    virtual int ProcessId() const;
    // The host name as the sockets layer reports it (at most 256 bytes); empty when unknown.
    virtual CString HostName() const;

    // The installed environment, or the system's when none (or null) is installed.
    static const CMailEnvironment& Get();
    static void Set(const CMailEnvironment* environment);
};
