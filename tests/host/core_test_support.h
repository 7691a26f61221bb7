// Test support for the host core: a workspace installed as the host, the plug-in's host table pointed at the
// host core's exported functions, and the captured log.
#ifndef POSALIGN_TESTS_HOST_CORE_TEST_SUPPORT_H
#define POSALIGN_TESTS_HOST_CORE_TEST_SUPPORT_H

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "host/core/affine_math.h"
#include "host/core/host_functions.h"
#include "host/core/workspace.h"
#include "host_api/host_function_table.h"

// What the callbacks saw.
struct HostRecord {
    std::vector<std::string> log;
    std::vector<std::string> prompts;
    std::vector<std::string> savedPrefixes;
    std::vector<const HostDocument*> savedDocuments;
    std::vector<std::string> messages;
    int redraws = 0;
    int answer = 1;
};

inline void recordLog(void* context, const char* text) {
    static_cast<HostRecord*>(context)->log.push_back(text);
}

inline int recordPrompt(void* context, const char* prompt, int, int, int) {
    HostRecord* record = static_cast<HostRecord*>(context);
    record->prompts.push_back(prompt);
    return record->answer;
}

inline bool recordSave(void* context, const HostDocument* document, const char* stcPrefix) {
    HostRecord* record = static_cast<HostRecord*>(context);
    record->savedDocuments.push_back(document);
    record->savedPrefixes.push_back(stcPrefix);
    return true;
}

inline void recordRedraw(void* context) {
    ++static_cast<HostRecord*>(context)->redraws;
}

inline void recordMessage(void* context, const char* text) {
    static_cast<HostRecord*>(context)->messages.push_back(text);
}

// The plug-in's table bound to this process's host functions, as bindHostFunctions would bind them in the
// host program; the uncalled entries stay null.
inline void bindTableToHostCore() {
    memset(&gHostFunctions, 0, sizeof gHostFunctions);
#define ZR_TEST_BIND_UNCALLED(name)
#define ZR_TEST_BIND_CALLED(name, Result, Parameters) gHostFunctions.name = &name;
    ZR_HOST_FUNCTIONS(ZR_TEST_BIND_UNCALLED, ZR_TEST_BIND_CALLED)
#undef ZR_TEST_BIND_UNCALLED
#undef ZR_TEST_BIND_CALLED
}

// A workspace with recording callbacks, installed as the host's for the lifetime of the object.
struct InstalledHost {
    HostWorkspace workspace;
    HostRecord record;

    InstalledHost() {
        initWorkspace(&workspace);
        workspace.callbacks.context = &record;
        workspace.callbacks.logText = recordLog;
        workspace.callbacks.promptInteger = recordPrompt;
        workspace.callbacks.saveFmr = recordSave;
        workspace.callbacks.updateWindow = recordRedraw;
        workspace.callbacks.messageBox = recordMessage;
        installWorkspace(&workspace);
        bindTableToHostCore();
    }
    ~InstalledHost() {
        installWorkspace(0);
        releaseWorkspaceDocuments(&workspace);
    }
    InstalledHost(const InstalledHost&) = delete;
    InstalledHost& operator=(const InstalledHost&) = delete;
};

// The true map from centred VMR voxel coordinates to centred FMR voxel coordinates of the same scanner
// position, from the documents' geometry: T(-o_f) * A_f^-1 * A_v * T(o_v).
inline void trueVmrToFmr(const HostDocument& vmr, const HostDocument& fmr, double out[16]) {
    double vmrCentre[16], fmrUncentre[16], fmrInverse[16];
    affineIdentity(vmrCentre);
    affineIdentity(fmrUncentre);
    for (int axis = 0; axis < 3; ++axis) {
        vmrCentre[4 * axis + 3] = (vmr.dims[axis] - 1) * 0.5;
        fmrUncentre[4 * axis + 3] = -(fmr.dims[axis] - 1) * 0.5;
    }
    affineInverse(fmr.voxelToScanner, fmrInverse);
    affineMultiply(fmrInverse, vmr.voxelToScanner, out);
    affineMultiply(out, vmrCentre, out);
    affineMultiply(fmrUncentre, out, out);
}

// The number after the last occurrence of label in the log; NaN when absent.
inline double loggedValue(const std::vector<std::string>& log, const std::string& label) {
    double value = NAN;
    for (const std::string& line : log) {
        if (line.compare(0, label.size(), label) == 0) {
            value = strtod(line.c_str() + label.size(), 0);
        }
    }
    return value;
}

#endif
