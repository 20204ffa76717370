#pragma once
// The frame every quillon-mail subcommand shares: registration, exit statuses and the
// conversions at the edge. Arguments and files are UTF-8; the mail library works in code
// page 932, so texts are converted when they come in and when a detail goes out.
//
// A subcommand is one source file with a run function and a registration at namespace scope:
//   const CommandRegistration registration{{"write", "write [options] ...", RunWrite}};

#include "encoding/CString.h"

#include <cstdio>
#include <string>
#include <vector>

enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

struct Command {
    std::string name;
    // Lines of the usage text, the first one starting with the command name.
    std::string usage;
    // Receives the arguments after the command name; returns an ExitStatus.
    int (*run)(const std::vector<std::string>& args);
};

struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

// Every registered command, ordered by name.
std::vector<Command> RegisteredCommands();
void PrintUsage(std::FILE* out);

// Prints "quillon-mail: <message>" and the usage text to standard error; returns kExitUsage.
int UsageError(const std::string& message);
// Prints the detail (code page 932) as UTF-8 text on standard error; returns kExitFailed.
int Failure(const CString& detail);
// Prints a UTF-8 message on standard error; returns kExitFailed.
int Failure(const std::string& message);

CString ToCp932(const std::string& utf8);
// LF or CR LF line ends (a lone CR too) become CR LF.
std::string ToCrLf(const std::string& text);
// Reads a whole text file, or standard input for "-". 0 with a message on failure.
int ReadTextFile(const std::string& path, std::string& text, std::string& error);
