// The 20 host functions the plug-in calls, acting on the installed workspace.
#include "host/core/host_functions.h"

#include <string.h>

#include "host/core/initial_alignment.h"
#include "host/core/scanner_geometry.h"
#include "host/core/workspace.h"

// The current document when it exists and is of this kind, else null.
static HostDocument* currentDocumentOfKind(int kind) {
    HostWorkspace* workspace = installedWorkspace();
    if (workspace == 0 || workspace->currentIndex < 0 ||
        workspace->currentIndex >= workspace->documentCount) {
        return 0;
    }
    HostDocument* document = workspace->documents[workspace->currentIndex];
    return document != 0 && document->kind == kind ? document : 0;
}

static const HostCallbacks* installedCallbacks(void) {
    HostWorkspace* workspace = installedWorkspace();
    return workspace != 0 ? &workspace->callbacks : 0;
}

// Tells the application about a call; documentIndex as HostCallbacks::noteCall describes it.
static void noteCall(const char* functionName, int documentIndex) {
    const HostCallbacks* callbacks = installedCallbacks();
    if (callbacks != 0 && callbacks->noteCall != 0) {
        callbacks->noteCall(callbacks->context, functionName, documentIndex);
    }
}

// The current document's index, or -1.
static int currentIndex(void) {
    HostWorkspace* workspace = installedWorkspace();
    return workspace != 0 ? workspace->currentIndex : -1;
}

// True when the text has its NUL within capacity.
static bool isTerminated(const char* text, size_t capacity) {
    return memchr(text, '\0', capacity) != 0;
}

bool zrGetVersionOfZentrovisZR(int* first, int* second, int* third) {
    noteCall(__func__, -1);
    if (first == 0 || second == 0 || third == 0) {
        return false;
    }
    getHostVersion(first, second, third);
    return true;
}

bool zrShowLogTab(void) {
    noteCall(__func__, -1);
    return true;
}

bool zrLogText(const char* text) {
    noteCall(__func__, -1);
    const HostCallbacks* callbacks = installedCallbacks();
    if (text == 0) {
        return false;
    }
    if (callbacks != 0 && callbacks->logText != 0) {
        callbacks->logText(callbacks->context, text);
    }
    return true;
}

bool zrMessageBox(const char* text) {
    noteCall(__func__, -1);
    const HostCallbacks* callbacks = installedCallbacks();
    if (text == 0) {
        return false;
    }
    if (callbacks != 0 && callbacks->messageBox != 0) {
        callbacks->messageBox(callbacks->context, text);
    }
    return true;
}

int zrGetIntegerInput(const char* prompt, int defaultValue, int lowest, int highest) {
    noteCall(__func__, -1);
    const HostCallbacks* callbacks = installedCallbacks();
    if (callbacks == 0 || callbacks->promptInteger == 0) {
        return defaultValue;
    }
    return callbacks->promptInteger(callbacks->context, prompt != 0 ? prompt : "", defaultValue, lowest,
                                    highest);
}

bool zrUpdateActiveWindow(void) {
    noteCall(__func__, -1);
    const HostCallbacks* callbacks = installedCallbacks();
    if (callbacks != 0 && callbacks->updateWindow != 0) {
        callbacks->updateWindow(callbacks->context);
    }
    return true;
}

int zrGetNumberOfDocsInWorkspace(void) {
    noteCall(__func__, -1);
    HostWorkspace* workspace = installedWorkspace();
    return workspace != 0 ? workspace->documentCount : 0;
}

int zrGetDocumentType(int documentIndex) {
    noteCall(__func__, documentIndex);
    HostWorkspace* workspace = installedWorkspace();
    if (workspace == 0 || documentIndex < 0 || documentIndex >= workspace->documentCount ||
        workspace->documents[documentIndex] == 0) {
        return 0;
    }
    return workspace->documents[documentIndex]->kind;
}

bool zrSetAsCurrentDocument(int documentIndex) {
    noteCall(__func__, documentIndex);
    HostWorkspace* workspace = installedWorkspace();
    if (workspace == 0 || documentIndex < 0 || documentIndex >= workspace->documentCount) {
        return false;
    }
    workspace->currentIndex = documentIndex;
    return true;
}

bool zrCalculateIAMatrix(const ScannerPositionHeader* fmrPosition, const ScannerPositionHeader* vmrPosition,
                         const PastTransformationsHeader* pastTransformations, IaMatrix* iaMatrix,
                         float* flipMatrix, int* scratch1, int* scratch2, int* scratch3, int* scratch4,
                         int* scratch5, int* scratch6) {
    noteCall(__func__, -1);
    int* scratch[6] = {scratch1, scratch2, scratch3, scratch4, scratch5, scratch6};
    for (int k = 0; k < 6; ++k) {
        if (scratch[k] != 0) {
            *scratch[k] = 0;
        }
    }
    return computeInitialAlignment(fmrPosition, vmrPosition, pastTransformations, iaMatrix, flipMatrix);
}

bool zrGetHeaderOfCurrentFMR(FmrHeader* header) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentFmr);
    if (document == 0 || header == 0) {
        return false;
    }
    fillFmrHeader(document, header);
    return true;
}

bool zrSetHeaderOfCurrentFMR(const FmrHeader* header) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentFmr);
    if (document == 0 || header == 0) {
        return false;
    }
    if (!isTerminated(header->fileName, sizeof header->fileName) ||
        !isTerminated(header->stcPrefix, sizeof header->stcPrefix) ||
        !isTerminated(header->linkedFileName, sizeof header->linkedFileName)) {
        return false;
    }
    memcpy(document->fileName, header->fileName, sizeof document->fileName);
    memcpy(document->stcPrefix, header->stcPrefix, sizeof document->stcPrefix);
    memcpy(document->linkedFileName, header->linkedFileName, sizeof document->linkedFileName);
    return true;
}

float** zrGetSTCFloatDataOfCurrentFMR(void) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentFmr);
    return document != 0 ? document->floatVolumes : 0;
}

int16_t** zrGetSTCIntDataOfCurrentFMR(void) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentFmr);
    return document != 0 ? document->intVolumes : 0;
}

bool zrSaveFMRAndSTC(const FmrHeader* header, const char* stcPrefix) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentFmr);
    const HostCallbacks* callbacks = installedCallbacks();
    if (document == 0 || header == 0 || stcPrefix == 0 || callbacks == 0 || callbacks->saveFmr == 0) {
        return false;
    }
    return callbacks->saveFmr(callbacks->context, document, stcPrefix);
}

bool zrGetScannerPositionHeaderOfCurrentFMR(ScannerPositionHeader* position) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentFmr);
    if (document == 0 || position == 0) {
        return false;
    }
    fillScannerPosition(document, position);
    return true;
}

unsigned char* zrGetCurrentVMR(int* scratch1, int* scratch2, int* scratch3) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentVmr);
    if (document == 0) {
        return 0;
    }
    int* scratch[3] = {scratch1, scratch2, scratch3};
    for (int axis = 0; axis < 3; ++axis) {
        if (scratch[axis] != 0) {
            *scratch[axis] = document->dims[axis];
        }
    }
    return document->voxels;
}

bool zrGetMainHeaderOfCurrentVMR(VmrHeader* header) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentVmr);
    if (document == 0 || header == 0) {
        return false;
    }
    fillVmrHeader(document, header);
    return true;
}

bool zrGetScannerPositionHeaderOfCurrentVMR(ScannerPositionHeader* position) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentVmr);
    if (document == 0 || position == 0) {
        return false;
    }
    fillScannerPosition(document, position);
    return true;
}

bool zrGetPastTransformationsHeaderOfCurrentVMR(PastTransformationsHeader* pastTransformations) {
    noteCall(__func__, currentIndex());
    HostDocument* document = currentDocumentOfKind(kDocumentVmr);
    if (document == 0 || pastTransformations == 0) {
        return false;
    }
    memcpy(pastTransformations, &document->pastTransformations, sizeof *pastTransformations);
    return true;
}
