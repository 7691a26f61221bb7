// Zentrovis, the stand-in host: runs the posalign plug-in on NIfTI files or on the built-in phantom.
#include <unistd.h>

#include <iostream>

#include "host/app/command_line.h"
#include "host/app/host_session.h"

int main(int argc, char** argv) {
    ParsedCommandLine parsed = parseCommandLine(argc, argv, std::cout, std::cerr);
    if (!parsed.run) {
        return parsed.exitCode;
    }
    SessionStreams streams{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0};
    return runHostSession(parsed.options, streams);
}
