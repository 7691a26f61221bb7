// Parsing of the phantom runner's command line.
#include "host/runner/runner_options.h"

#include <stdio.h>
#include <string.h>

const char kRunnerUsage[] =
    "usage: Zentrovis <plug-in module> --mapping 1|2|3 [--host-version A.B.C] [--small] [--fmr-count 1|2]\n"
    "                 [--zero-voxel-size] [--fmr-shift X,Y,Z] [--save-dir DIR] [--log-file FILE]\n";

// Reads "A.B.C" and nothing after it.
static bool readInts(const char* text, int* values) {
    char end = 0;
    return sscanf(text, "%d.%d.%d%c", &values[0], &values[1], &values[2], &end) == 3;
}

// Reads "X,Y,Z" and nothing after it.
static bool readFloats(const char* text, float* values) {
    char end = 0;
    return sscanf(text, "%f,%f,%f%c", &values[0], &values[1], &values[2], &end) == 3;
}

// Reads one integer and nothing after it.
static bool readInt(const char* text, int* value) {
    char end = 0;
    return sscanf(text, "%d%c", value, &end) == 1;
}

bool parseRunnerOptions(int argumentCount, char** arguments, RunnerOptions* options) {
    memset(options, 0, sizeof *options);
    options->hostVersion[0] = 21;
    options->hostVersion[1] = 3;
    options->fmrCount = 2;
    for (int i = 1; i < argumentCount; ++i) {
        const char* option = arguments[i];
        const char* value = i + 1 < argumentCount ? arguments[i + 1] : 0;
        bool takesValue = true;
        bool valid = true;
        if (strcmp(option, "--mapping") == 0) {
            valid = value != 0 && readInt(value, &options->mapping);
        } else if (strcmp(option, "--host-version") == 0) {
            valid = value != 0 && readInts(value, options->hostVersion);
        } else if (strcmp(option, "--fmr-count") == 0) {
            valid = value != 0 && readInt(value, &options->fmrCount) && options->fmrCount >= 1 &&
                    options->fmrCount <= 2;
        } else if (strcmp(option, "--fmr-shift") == 0) {
            valid = value != 0 && readFloats(value, options->fmrShiftMm);
            options->hasFmrShift = true;
        } else if (strcmp(option, "--save-dir") == 0) {
            valid = value != 0;
            options->saveDir = value;
        } else if (strcmp(option, "--log-file") == 0) {
            valid = value != 0;
            options->logFile = value;
        } else {
            takesValue = false;
            if (strcmp(option, "--small") == 0) {
                options->smallPhantom = true;
            } else if (strcmp(option, "--zero-voxel-size") == 0) {
                options->zeroVoxelSize = true;
            } else if (option[0] != '-' && options->modulePath == 0) {
                options->modulePath = option;
            } else {
                fprintf(stderr, "unexpected argument: %s\n", option);
                return false;
            }
        }
        if (!valid) {
            fprintf(stderr, "bad or missing value for %s\n", option);
            return false;
        }
        if (takesValue) {
            ++i;
        }
    }
    if (options->modulePath == 0 || options->mapping < 1 || options->mapping > 3) {
        fprintf(stderr, "a plug-in module and --mapping 1, 2 or 3 are required\n");
        return false;
    }
    return true;
}
