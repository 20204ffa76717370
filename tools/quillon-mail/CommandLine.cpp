#include "CommandLine.h"

#include "encoding/CCodePage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace {
std::vector<Command>& Registry()
{
    static std::vector<Command> commands;
    return commands;
}
}  // namespace

CommandRegistration::CommandRegistration(const Command& command)
{
    Registry().push_back(command);
}

std::vector<Command> RegisteredCommands()
{
    std::vector<Command> commands = Registry();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    return commands;
}

void PrintUsage(std::FILE* out)
{
    std::fputs("usage: quillon-mail COMMAND [options]\n", out);
    for (const Command& command : RegisteredCommands()) {
        std::fprintf(out, "\n  quillon-mail %s", command.usage.c_str());
    }
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "quillon-mail: %s\n", message.c_str());
    PrintUsage(stderr);
    return kExitUsage;
}

int Failure(const CString& detail)
{
    std::string text = CCodePage::ToUtf8(detail);
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        plain += text[i];
    }
    while (!plain.empty() && plain.back() == '\n') plain.pop_back();
    return Failure(plain);
}

int Failure(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return kExitFailed;
}

CString ToCp932(const std::string& utf8)
{
    return CCodePage::FromUtf8(utf8);
}

std::string ToCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

int ReadTextFile(const std::string& path, std::string& text, std::string& error)
{
    if (path == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        text = all.str();
        return 1;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return 0;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path;
        return 0;
    }
    return 1;
}
