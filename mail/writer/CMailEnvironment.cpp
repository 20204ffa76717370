#include "writer/CMailEnvironment.h"

#include <unistd.h>

namespace {
const CMailEnvironment systemEnvironment;
const CMailEnvironment* installed = nullptr;
}

std::time_t CMailEnvironment::Now() const
{
    return std::time(nullptr);
}

int CMailEnvironment::ProcessId() const
{
    return static_cast<int>(::getpid());
}

CString CMailEnvironment::HostName() const
{
    char name[257] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return CString();
    return CString(name);
}

const CMailEnvironment& CMailEnvironment::Get()
{
    return installed ? *installed : systemEnvironment;
}

void CMailEnvironment::Set(const CMailEnvironment* environment)
{
    installed = environment;
}
