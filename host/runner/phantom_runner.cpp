// The host program that runs the plug-in on the built-in phantom: Zentrovis.exe in the Windows build, and
// its Linux twin from the same source. It exports the host functions (host core), loads the module, runs one
// session with the mapping from the command line as the user's answer, and prints the session and the log.
// With --save-dir it writes what the plug-in saved and the VMR bytes it left, as raw files for comparison.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "host/core/host_functions.h"
#include "host/core/phantom.h"
#include "host/core/workspace.h"
#include "host/runner/plugin_session.h"
#include "host/runner/runner_options.h"

// Returned when the session ran but a raw file could not be written.
static const int kOutputFileFailed = 5;

struct RunnerContext {
    const RunnerOptions* options;
    FILE* log;         // null without --log-file
    bool outputFailed; // a raw file could not be written
};

// Writes size bytes to directory/name; false (and a line on stderr) on failure.
static bool writeRawFile(const char* directory, const char* name, const void* bytes, size_t size) {
    char path[1024];
    int length = snprintf(path, sizeof path, "%s/%s", directory, name);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) {
        fprintf(stderr, "output path too long: %s/%s\n", directory, name);
        return false;
    }
    FILE* file = fopen(path, "wb");
    bool written = file != 0 && fwrite(bytes, 1, size, file) == size;
    if (file != 0 && fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        fprintf(stderr, "cannot write %s\n", path);
    }
    return written;
}

static void logText(void* context, const char* text) {
    RunnerContext* runner = static_cast<RunnerContext*>(context);
    printf("%s\n", text);
    if (runner->log != 0) {
        fprintf(runner->log, "%s\n", text);
    }
}

static int promptInteger(void* context, const char* prompt, int, int, int) {
    RunnerContext* runner = static_cast<RunnerContext*>(context);
    printf("prompt: %s -> %d\n", prompt, runner->options->mapping);
    return runner->options->mapping;
}

// Writes every volume of the saved FMR, as stored, to <stcPrefix>.samples.
static bool saveFmr(void* context, const HostDocument* document, const char* stcPrefix) {
    RunnerContext* runner = static_cast<RunnerContext*>(context);
    printf("saved FMR: %s as %s\n", stcPrefix, document->fileName);
    if (runner->options->saveDir == 0) {
        return true;
    }
    char name[512];
    snprintf(name, sizeof name, "%s.samples", stcPrefix);
    size_t volumeSize = static_cast<size_t>(documentVoxelCount(document));
    bool isInt = document->dataType == kFmrDataInt16;
    // One file holds all volumes, so the volumes are gathered first.
    size_t sampleSize = isInt ? sizeof(int16_t) : sizeof(float);
    size_t total = volumeSize * sampleSize * static_cast<size_t>(document->volumeCount);
    unsigned char* bytes = static_cast<unsigned char*>(malloc(total == 0 ? 1 : total));
    bool written = bytes != 0;
    for (int volume = 0; written && volume < document->volumeCount; ++volume) {
        const void* source = isInt ? static_cast<const void*>(document->intVolumes[volume])
                                   : static_cast<const void*>(document->floatVolumes[volume]);
        memcpy(bytes + volumeSize * sampleSize * volume, source, volumeSize * sampleSize);
    }
    written = written && writeRawFile(runner->options->saveDir, name, bytes, total);
    free(bytes);
    if (!written) {
        runner->outputFailed = true;
    }
    return written;
}

static void updateWindow(void*) {}

static void messageBox(void*, const char* text) {
    printf("message box: %s\n", text);
}

// The phantom the options ask for; false on invalid options.
static bool buildRunnerWorkspace(const RunnerOptions* options, HostWorkspace* workspace) {
    PhantomOptions phantom;
    if (options->smallPhantom) {
        smallPhantomOptions(&phantom);
    } else {
        defaultPhantomOptions(&phantom);
    }
    phantom.fmrCount = options->fmrCount;
    if (options->hasFmrShift) {
        memcpy(phantom.fmrShiftMm, options->fmrShiftMm, sizeof phantom.fmrShiftMm);
    }
    if (!buildPhantomWorkspace(&phantom, workspace)) {
        return false;
    }
    if (options->zeroVoxelSize) {
        // The header reports the first FMR's voxels as flat along x; its data are unchanged.
        workspace->documents[1]->voxelSize[0] = 0.0f;
    }
    return true;
}

int main(int argumentCount, char** arguments) {
    RunnerOptions options;
    if (!parseRunnerOptions(argumentCount, arguments, &options)) {
        fputs(kRunnerUsage, stderr);
        return 2;
    }
    RunnerContext runner = {&options, 0, false};
    if (options.logFile != 0) {
        runner.log = fopen(options.logFile, "wb");
        if (runner.log == 0) {
            fprintf(stderr, "cannot write %s\n", options.logFile);
            return 2;
        }
    }
    static HostWorkspace workspace;
    initWorkspace(&workspace);
    workspace.callbacks.context = &runner;
    workspace.callbacks.logText = logText;
    workspace.callbacks.promptInteger = promptInteger;
    workspace.callbacks.saveFmr = saveFmr;
    workspace.callbacks.updateWindow = updateWindow;
    workspace.callbacks.messageBox = messageBox;
    if (!buildRunnerWorkspace(&options, &workspace)) {
        fprintf(stderr, "cannot build the phantom\n");
        return 2;
    }
    installWorkspace(&workspace);
    setHostVersion(options.hostVersion[0], options.hostVersion[1], options.hostVersion[2]);
    printf("host version: %d.%d.%d\n", options.hostVersion[0], options.hostVersion[1],
           options.hostVersion[2]);

    int result = runPluginSession(options.modulePath, true);

    const HostDocument* vmr = workspace.documents[0];
    if (options.saveDir != 0 && !writeRawFile(options.saveDir, "final.vmr.bytes", vmr->voxels,
                                              static_cast<size_t>(documentVoxelCount(vmr)))) {
        runner.outputFailed = true;
    }
    installWorkspace(0);
    releaseWorkspaceDocuments(&workspace);
    if (runner.log != 0 && fclose(runner.log) != 0) {
        fprintf(stderr, "cannot write %s\n", options.logFile);
        runner.outputFailed = true;
    }
    if (result == kSessionExecuted && runner.outputFailed) {
        return kOutputFileFailed;
    }
    return result;
}
