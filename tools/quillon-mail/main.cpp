// quillon-mail: composes, sends and reads messages with the mail library from the command
// line. Each subcommand lives in its own file and registers itself (CommandLine.h).
#include "CommandLine.h"


int main(int argc, char** argv)
{
    if (argc < 2) return UsageError("no command given");
    for (const Command& command : RegisteredCommands()) {
        if (command.name == argv[1]) {
            return command.run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    return UsageError(std::string("unknown command '") + argv[1] + "'");
}
