// What the user asked a run of the stand-in host to do: the documents, the mapping, where the outputs go.
#ifndef POSALIGN_HOST_PLUGIN_RUN_RUN_OPTIONS_H
#define POSALIGN_HOST_PLUGIN_RUN_RUN_OPTIONS_H

#include <string>
#include <vector>

#include "host/nifti/nifti_file.h"

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

#endif
