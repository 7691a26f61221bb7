// Test double for the host's log: points gHostFunctions.zrLogText and zrUpdateActiveWindow at recorders.
#ifndef POSALIGN_TESTS_GEOMETRY_HOST_LOG_CAPTURE_H
#define POSALIGN_TESTS_GEOMETRY_HOST_LOG_CAPTURE_H

#include <string>
#include <vector>

#include "plugin/host_function_table.h"

struct HostLogCapture {
    std::vector<std::string> lines;
    int redraws = 0;
};

inline HostLogCapture& hostLog() {
    static HostLogCapture capture;
    return capture;
}

inline bool recordLogText(const char* text) {
    hostLog().lines.push_back(text);
    return true;
}

inline bool recordRedraw(void) {
    ++hostLog().redraws;
    return true;
}

// Clears the record and installs the recorders.
inline void captureHostLog() {
    hostLog() = HostLogCapture();
    gHostFunctions.zrLogText = recordLogText;
    gHostFunctions.zrUpdateActiveWindow = recordRedraw;
}

#endif
