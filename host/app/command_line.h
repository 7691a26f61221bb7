// The stand-in host's command line.
#ifndef POSALIGN_HOST_APP_COMMAND_LINE_H
#define POSALIGN_HOST_APP_COMMAND_LINE_H

#include <iosfwd>
#include <string>
#include <vector>

#include "host/app/nifti_file.h"

// What the user asked for.
struct AppOptions {
    bool demo = false;         // run on the built-in phantom
    bool smallPhantom = false; // the phantom's small, fast variant
    int phantomRuns = 2;       // functional runs of the phantom (1 or 2)
    std::string anatomicalPath;
    std::vector<std::string> functionalPaths; // one or two
    int mapping = 0;                          // 1..3; 0: ask the user
    std::string outDir = "posalign-out";
    std::string pluginPath;            // empty: posalign.so next to the program
    bool force = false;                // replace existing outputs
    int hostVersion[3] = {-1, -1, -1}; // the version the host reports; -1: the host core's default
    NiftiCompression compression = NiftiCompression::kFast; // of the images written
    bool report = true; // write report.html (the alignment check of each functional) on a run on files
};

// Result of parsing: run with the options, or stop at once with exitCode (help shown: 0; misuse: 2).
struct ParsedCommandLine {
    bool run = false;
    int exitCode = 0;
    AppOptions options;
};

// Parses argv; help goes to out, usage errors (one line and a hint) to err.
ParsedCommandLine parseCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

#endif
