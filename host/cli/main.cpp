// Zentrovis, the stand-in host: runs the posalign plug-in on NIfTI files or on the built-in phantom;
// `Zentrovis check ...` checks the alignment of functional runs against an anatomical instead.
#include <unistd.h>

#include <cstring>
#include <iostream>

#include "host/cli/check_command.h"
#include "host/cli/command_line.h"
#include "host/plugin_run/host_session.h"

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "check") == 0) {
        return runCheckCommand(argc - 1, argv + 1, std::cout, std::cerr);
    }
    ParsedCommandLine parsed = parseCommandLine(argc, argv, std::cout, std::cerr);
    if (!parsed.run) {
        return parsed.exitCode;
    }
    SessionStreams streams{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0,
                           isatty(STDERR_FILENO) != 0};
    return runHostSession(parsed.options, streams);
}
