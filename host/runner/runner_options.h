// Command line of the phantom runner (the Windows host program and its Linux twin).
#ifndef POSALIGN_HOST_RUNNER_RUNNER_OPTIONS_H
#define POSALIGN_HOST_RUNNER_RUNNER_OPTIONS_H

struct RunnerOptions {
    const char* modulePath; // the plug-in module to load (required)
    int mapping;            // the answer to the plug-in's prompt, 1..3 (required)
    int hostVersion[3];     // what zrGetVersionOfZentrovisZR reports (default 21.3.0)
    bool smallPhantom;      // the 64^3 VMR at 4 mm instead of the full phantom
    int fmrCount;           // 1 or 2 (default 2)
    bool zeroVoxelSize; // the first FMR reports a voxel size of 0 along x (not-a-number and infinite results)
    bool hasFmrShift;   // fmrShiftMm given
    float fmrShiftMm[3]; // shift of the FMR grids from the head centre (far away: no overlap)
    const char* saveDir; // where saved FMR samples and the final VMR bytes are written; null: nowhere
    const char* logFile; // where the plug-in's log texts are written, one per line; null: nowhere
};

// Reads the options after the program name; on an error prints what is wrong to stderr and returns false.
bool parseRunnerOptions(int argumentCount, char** arguments, RunnerOptions* options);

// The usage text for stderr.
extern const char kRunnerUsage[];

#endif
