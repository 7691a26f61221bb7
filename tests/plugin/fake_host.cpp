// The recording host functions of the test host programs.
#include "fake_host.h"

#include <string.h>

#include <type_traits>

#ifndef FAKE_HOST_EXPORTS_VERSION
#error "FAKE_HOST_EXPORTS_VERSION must be 0 or 1"
#endif
#ifndef FAKE_HOST_EXPORTS_OTHERS
#error "FAKE_HOST_EXPORTS_OTHERS must be 0 or 1"
#endif

#if FAKE_HOST_EXPORTS_VERSION
#define FAKE_HOST_VERSION_VISIBILITY __attribute__((visibility("default")))
#else
#define FAKE_HOST_VERSION_VISIBILITY __attribute__((visibility("hidden")))
#endif
#if FAKE_HOST_EXPORTS_OTHERS
#define FAKE_HOST_OTHER_VISIBILITY __attribute__((visibility("default")))
#else
#define FAKE_HOST_OTHER_VISIBILITY __attribute__((visibility("hidden")))
#endif

namespace {

FakeHost gFakeHost;

void record(FakeHostEntry entry) {
    ++gFakeHost.calls[entry];
}

const int kFmrDim = 4;
const int kVmrDim = 8;

} // namespace

FakeHost& fakeHost() {
    return gFakeHost;
}

void resetFakeHost() {
    FakeHost& host = gFakeHost;
    host.version[0] = 2;
    host.version[1] = 9;
    host.version[2] = 9;
    memset(host.calls, 0, sizeof host.calls);
    host.messageBoxTexts.clear();
    host.logTexts.clear();
    host.documentCount = 2;
    host.documentTypes[0] = kDocumentVmr;
    host.documentTypes[1] = kDocumentFmr;
    host.documentTypes[2] = kDocumentFmr;
    host.currentDocument = -1;
    host.promptAnswer = 1;

    memset(&host.fmrHeader, 0, sizeof host.fmrHeader);
    strcpy(host.fmrHeader.fileName, "run1.fmr");
    strcpy(host.fmrHeader.stcPrefix, "run1");
    host.fmrHeader.dimX = kFmrDim;
    host.fmrHeader.dimY = kFmrDim;
    host.fmrHeader.dimZ = kFmrDim;
    host.fmrHeader.voxelSizeX = 2.0f;
    host.fmrHeader.voxelSizeY = 2.0f;
    host.fmrHeader.voxelSizeZ = 2.0f;
    host.fmrHeader.dataType = kFmrDataInt16;
    host.fmrSamples.resize(kFmrDim * kFmrDim * kFmrDim);
    host.fmrFloatSamples.resize(kFmrDim * kFmrDim * kFmrDim);
    for (size_t i = 0; i < host.fmrSamples.size(); ++i) {
        host.fmrSamples[i] = static_cast<int16_t>(10 * i);
        host.fmrFloatSamples[i] = static_cast<float>(10 * i);
    }
    host.fmrSamplePointers[0] = host.fmrSamples.data();
    host.fmrFloatSamplePointers[0] = host.fmrFloatSamples.data();

    // Slices along z, centred on the scanner origin in both documents.
    memset(&host.fmrPosition, 0, sizeof host.fmrPosition);
    host.fmrPosition.firstSliceCenterZ = -3.0f;
    host.fmrPosition.lastSliceCenterZ = 3.0f;
    memset(&host.vmrPosition, 0, sizeof host.vmrPosition);
    host.vmrPosition.firstSliceCenterZ = -3.5f;
    host.vmrPosition.lastSliceCenterZ = 3.5f;

    memset(&host.vmrHeader, 0, sizeof host.vmrHeader);
    host.vmrHeader.dimX = kVmrDim;
    host.vmrHeader.dimY = kVmrDim;
    host.vmrHeader.dimZ = kVmrDim;
    host.vmrHeader.voxelSizeX = 1.0f;
    host.vmrHeader.voxelSizeY = 1.0f;
    host.vmrHeader.voxelSizeZ = 1.0f;
    host.vmrVoxels.assign(kVmrDim * kVmrDim * kVmrDim, 100);
}

int totalFakeHostCalls() {
    int total = 0;
    for (int count : gFakeHost.calls) {
        total += count;
    }
    return total;
}

extern "C" {

FAKE_HOST_VERSION_VISIBILITY bool zrGetVersionOfZentrovisZR(int* first, int* second, int* third) {
    record(kFakeHost_zrGetVersionOfZentrovisZR);
    *first = gFakeHost.version[0];
    *second = gFakeHost.version[1];
    *third = gFakeHost.version[2];
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool zrShowLogTab(void) {
    record(kFakeHost_zrShowLogTab);
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool zrLogText(const char* text) {
    record(kFakeHost_zrLogText);
    gFakeHost.logTexts.push_back(text);
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool zrMessageBox(const char* text) {
    record(kFakeHost_zrMessageBox);
    gFakeHost.messageBoxTexts.push_back(text);
    return true;
}

FAKE_HOST_OTHER_VISIBILITY int zrGetIntegerInput(const char*, int, int, int) {
    record(kFakeHost_zrGetIntegerInput);
    return gFakeHost.promptAnswer;
}

FAKE_HOST_OTHER_VISIBILITY bool zrUpdateActiveWindow(void) {
    record(kFakeHost_zrUpdateActiveWindow);
    return true;
}

FAKE_HOST_OTHER_VISIBILITY int zrGetNumberOfDocsInWorkspace(void) {
    record(kFakeHost_zrGetNumberOfDocsInWorkspace);
    return gFakeHost.documentCount;
}

FAKE_HOST_OTHER_VISIBILITY int zrGetDocumentType(int documentIndex) {
    record(kFakeHost_zrGetDocumentType);
    return documentIndex >= 0 && documentIndex < 3 ? gFakeHost.documentTypes[documentIndex] : 0;
}

FAKE_HOST_OTHER_VISIBILITY bool zrSetAsCurrentDocument(int documentIndex) {
    record(kFakeHost_zrSetAsCurrentDocument);
    gFakeHost.currentDocument = documentIndex;
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool
zrCalculateIAMatrix(const ScannerPositionHeader*, const ScannerPositionHeader*,
                    const PastTransformationsHeader*, IaMatrix* iaMatrix, float* flipMatrix, int* scratch1,
                    int* scratch2, int* scratch3, int* scratch4, int* scratch5, int* scratch6) {
    record(kFakeHost_zrCalculateIAMatrix);
    for (int k = 0; k < 16; ++k) {
        iaMatrix->s[k] = k % 5 == 0 ? 1.0f : 0.0f;
        flipMatrix[k] = k % 5 == 0 ? 1.0f : 0.0f;
    }
    *scratch1 = *scratch2 = *scratch3 = *scratch4 = *scratch5 = *scratch6 = 0;
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool zrGetHeaderOfCurrentFMR(FmrHeader* header) {
    record(kFakeHost_zrGetHeaderOfCurrentFMR);
    *header = gFakeHost.fmrHeader;
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool zrSetHeaderOfCurrentFMR(const FmrHeader* header) {
    record(kFakeHost_zrSetHeaderOfCurrentFMR);
    gFakeHost.fmrHeader = *header;
    return true;
}

FAKE_HOST_OTHER_VISIBILITY float** zrGetSTCFloatDataOfCurrentFMR(void) {
    record(kFakeHost_zrGetSTCFloatDataOfCurrentFMR);
    return gFakeHost.fmrFloatSamplePointers;
}

FAKE_HOST_OTHER_VISIBILITY int16_t** zrGetSTCIntDataOfCurrentFMR(void) {
    record(kFakeHost_zrGetSTCIntDataOfCurrentFMR);
    return gFakeHost.fmrSamplePointers;
}

FAKE_HOST_OTHER_VISIBILITY bool zrSaveFMRAndSTC(const FmrHeader*, const char*) {
    record(kFakeHost_zrSaveFMRAndSTC);
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool zrGetScannerPositionHeaderOfCurrentFMR(ScannerPositionHeader* position) {
    record(kFakeHost_zrGetScannerPositionHeaderOfCurrentFMR);
    *position = gFakeHost.fmrPosition;
    return true;
}

FAKE_HOST_OTHER_VISIBILITY unsigned char* zrGetCurrentVMR(int* scratch1, int* scratch2, int* scratch3) {
    record(kFakeHost_zrGetCurrentVMR);
    *scratch1 = *scratch2 = *scratch3 = 0;
    return gFakeHost.vmrVoxels.data();
}

FAKE_HOST_OTHER_VISIBILITY bool zrGetMainHeaderOfCurrentVMR(VmrHeader* header) {
    record(kFakeHost_zrGetMainHeaderOfCurrentVMR);
    *header = gFakeHost.vmrHeader;
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool zrGetScannerPositionHeaderOfCurrentVMR(ScannerPositionHeader* position) {
    record(kFakeHost_zrGetScannerPositionHeaderOfCurrentVMR);
    *position = gFakeHost.vmrPosition;
    return true;
}

FAKE_HOST_OTHER_VISIBILITY bool
zrGetPastTransformationsHeaderOfCurrentVMR(PastTransformationsHeader* pastTransformations) {
    record(kFakeHost_zrGetPastTransformationsHeaderOfCurrentVMR);
    memset(pastTransformations, 0, sizeof *pastTransformations);
    return true;
}

// The 170 functions the plug-in never calls: each only counts its calls.
#define FAKE_HOST_DEFINE_UNCALLED(name)                                                                      \
    FAKE_HOST_OTHER_VISIBILITY void name(void) {                                                             \
        record(kFakeHost_##name);                                                                            \
    }
#define FAKE_HOST_SKIP_CALLED(name, Result, Parameters)
ZR_HOST_FUNCTIONS(FAKE_HOST_DEFINE_UNCALLED, FAKE_HOST_SKIP_CALLED)
#undef FAKE_HOST_DEFINE_UNCALLED
#undef FAKE_HOST_SKIP_CALLED
}

// Each called function has exactly the type the plug-in calls it through.
#define FAKE_HOST_IGNORE_UNCALLED(name)
#define FAKE_HOST_CHECK_CALLED_TYPE(name, Result, Parameters)                                                \
    static_assert(std::is_same<decltype(&name), Result(*) Parameters>::value, #name " has the host's type");
ZR_HOST_FUNCTIONS(FAKE_HOST_IGNORE_UNCALLED, FAKE_HOST_CHECK_CALLED_TYPE)
#undef FAKE_HOST_IGNORE_UNCALLED
#undef FAKE_HOST_CHECK_CALLED_TYPE

void* fakeHostFunctionAddress(int index) {
#define FAKE_HOST_ADDRESS_UNCALLED(name) reinterpret_cast<void*>(&name),
#define FAKE_HOST_ADDRESS_CALLED(name, Result, Parameters) reinterpret_cast<void*>(&name),
    static void* const kAddresses[kHostFunctionCount] = {
        ZR_HOST_FUNCTIONS(FAKE_HOST_ADDRESS_UNCALLED, FAKE_HOST_ADDRESS_CALLED)};
#undef FAKE_HOST_ADDRESS_UNCALLED
#undef FAKE_HOST_ADDRESS_CALLED
    return kAddresses[index];
}

bool fakeHostExportsEntry(int index) {
    return index == kFakeHost_zrGetVersionOfZentrovisZR ? FAKE_HOST_EXPORTS_VERSION != 0
                                                        : FAKE_HOST_EXPORTS_OTHERS != 0;
}
