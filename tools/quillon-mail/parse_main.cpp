// Stand-alone front end of `quillon-mail parse` until the command's dispatcher takes it in.
#include "ParseCommand.h"

#include <cstring>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "parse") == 0) return RunParseCommand(argc - 2, argv + 2);
    return RunParseCommand(argc - 1, argv + 1);
}
