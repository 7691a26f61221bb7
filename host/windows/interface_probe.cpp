// A bare host for checking the plug-in's interface without documents: it exports the 20 host functions the
// plug-in calls, reports the version given on the command line, answers that no document is open, and
// prints every call that reaches it.
//
//   Zentrovis <plug-in module> [--host-version A.B.C] [--execute-only]
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "host/core/host_export.h"
#include "host_api/host_records.h"
#include "plugin_session.h"

static int gVersion[3] = {2, 9, 9};

extern "C" {
HOST_EXPORT bool zrGetVersionOfZentrovisZR(int* first, int* second, int* third) {
    *first = gVersion[0];
    *second = gVersion[1];
    *third = gVersion[2];
    return true;
}
HOST_EXPORT bool zrShowLogTab(void) {
    return true;
}
HOST_EXPORT bool zrLogText(const char* text) {
    printf("log: %s\n", text);
    return true;
}
HOST_EXPORT bool zrMessageBox(const char* text) {
    printf("message box: %s\n", text);
    return true;
}
HOST_EXPORT int zrGetIntegerInput(const char* prompt, int defaultValue, int, int) {
    printf("prompt: %s\n", prompt);
    return defaultValue;
}
HOST_EXPORT bool zrUpdateActiveWindow(void) {
    return true;
}
HOST_EXPORT int zrGetNumberOfDocsInWorkspace(void) {
    return 0;
}
HOST_EXPORT int zrGetDocumentType(int) {
    return 0;
}
HOST_EXPORT bool zrSetAsCurrentDocument(int) {
    return false;
}
HOST_EXPORT bool zrCalculateIAMatrix(const ScannerPositionHeader*, const ScannerPositionHeader*,
                                     const PastTransformationsHeader*, IaMatrix*, float*, int*, int*, int*,
                                     int*, int*, int*) {
    return false;
}
HOST_EXPORT bool zrGetHeaderOfCurrentFMR(FmrHeader*) {
    return false;
}
HOST_EXPORT bool zrSetHeaderOfCurrentFMR(const FmrHeader*) {
    return false;
}
HOST_EXPORT float** zrGetSTCFloatDataOfCurrentFMR(void) {
    return 0;
}
HOST_EXPORT int16_t** zrGetSTCIntDataOfCurrentFMR(void) {
    return 0;
}
HOST_EXPORT bool zrSaveFMRAndSTC(const FmrHeader*, const char*) {
    return false;
}
HOST_EXPORT bool zrGetScannerPositionHeaderOfCurrentFMR(ScannerPositionHeader*) {
    return false;
}
HOST_EXPORT unsigned char* zrGetCurrentVMR(int*, int*, int*) {
    return 0;
}
HOST_EXPORT bool zrGetMainHeaderOfCurrentVMR(VmrHeader*) {
    return false;
}
HOST_EXPORT bool zrGetScannerPositionHeaderOfCurrentVMR(ScannerPositionHeader*) {
    return false;
}
HOST_EXPORT bool zrGetPastTransformationsHeaderOfCurrentVMR(PastTransformationsHeader*) {
    return false;
}
}

int main(int argumentCount, char** arguments) {
    const char* modulePath = 0;
    bool callInitPlugin = true;
    for (int i = 1; i < argumentCount; ++i) {
        if (strcmp(arguments[i], "--execute-only") == 0) {
            callInitPlugin = false;
        } else if (strcmp(arguments[i], "--host-version") == 0 && i + 1 < argumentCount) {
            if (sscanf(arguments[++i], "%d.%d.%d", &gVersion[0], &gVersion[1], &gVersion[2]) != 3) {
                fprintf(stderr, "--host-version needs A.B.C\n");
                return 2;
            }
        } else if (modulePath == 0) {
            modulePath = arguments[i];
        } else {
            fprintf(stderr, "unexpected argument: %s\n", arguments[i]);
            return 2;
        }
    }
    if (modulePath == 0) {
        fprintf(stderr, "usage: %s <plug-in module> [--host-version A.B.C] [--execute-only]\n", arguments[0]);
        return 2;
    }
    printf("host version: %d.%d.%d\n", gVersion[0], gVersion[1], gVersion[2]);
    return runPluginSession(modulePath, callInitPlugin);
}
