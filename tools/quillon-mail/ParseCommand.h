#pragma once
// `quillon-mail parse FILE [--reply] [--temp DIR]`: parses a message file and prints the
// document as one JSON object in UTF-8. Exit 0 when the file was read (whatever the parse
// result), 1 when it could not be read, 2 for a usage error.

// `args` are the arguments after the word "parse".
int RunParseCommand(int argc, char** args);
