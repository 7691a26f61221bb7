// The stand-in host's command line.
#ifndef POSALIGN_HOST_CLI_COMMAND_LINE_H
#define POSALIGN_HOST_CLI_COMMAND_LINE_H

#include <iosfwd>

#include "host/plugin_run/run_options.h"

// Result of parsing: run with the options, or stop at once with exitCode (help shown: 0; misuse: 2).
struct ParsedCommandLine {
    bool run = false;
    int exitCode = 0;
    AppOptions options;
};

// Parses argv; help goes to out, usage errors (one line and a hint) to err.
ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

#endif
