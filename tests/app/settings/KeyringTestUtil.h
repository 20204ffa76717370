#pragma once
// What the keyring tests share: their mode from run-keyring-tests, and libsecret's own
// client (secret-tool) as an independent reader of what the program stored.

#include "encoding/CBase64.h"
#include "encoding/CString.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace keyringtest {

// QUILLON_TEST_KEYRING as run-keyring-tests sets it: "none" (no bus, or nothing answers for
// secrets) or "running" (a gnome-keyring-daemon of the run).
inline bool Mode(const char* want)
{
    const char* mode = std::getenv("QUILLON_TEST_KEYRING");
    return mode && std::strcmp(mode, want) == 0;
}

inline std::string RunCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
    return output;
}

// The secret as secret-tool reads it: QtKeychain stores the bytes as Base64 text under the
// attributes server=<service>, user=<key>. Empty when absent.
inline std::string SecretToolLookup(long accountId)
{
    std::string text = RunCommand("secret-tool lookup server Quillon user 'Quillon/ACCOUNT/" + std::to_string(accountId) +
                                  "' 2>/dev/null");
    if (text.empty()) return text;
    unsigned char bytes[256];
    unsigned int length = 0;
    if (!CBase64::Decode(CString(text.c_str()), bytes, sizeof bytes, length)) return "<not Base64: " + text + ">";
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

}  // namespace keyringtest
