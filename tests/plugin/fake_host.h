// A recording stand-in for the host's executable, linked into the test host programs.
//
// The program exports the host's functions under their own names (the program is built with its symbols
// exported), so the plug-in finds them exactly as it finds a real host's. FAKE_HOST_EXPORTS_VERSION and
// FAKE_HOST_EXPORTS_OTHERS (0 or 1) choose whether the version function and the other 189 names are exported;
// a name that is not exported still exists in the program but is hidden from symbol lookup.
#ifndef POSALIGN_TESTS_PLUGIN_FAKE_HOST_H
#define POSALIGN_TESTS_PLUGIN_FAKE_HOST_H

#include <string>
#include <vector>

#include "host_api/host_function_list.h"

#define FAKE_HOST_INDEX_UNCALLED(name) kFakeHost_##name,
#define FAKE_HOST_INDEX_CALLED(name, Result, Parameters) kFakeHost_##name,
// Table position of each host function.
enum FakeHostEntry {
    ZR_HOST_FUNCTIONS(FAKE_HOST_INDEX_UNCALLED, FAKE_HOST_INDEX_CALLED) kFakeHostEntryCount
};
#undef FAKE_HOST_INDEX_UNCALLED
#undef FAKE_HOST_INDEX_CALLED

static_assert(static_cast<int>(kFakeHostEntryCount) == static_cast<int>(kHostFunctionCount),
              "one index per host function");

// What the host reports and what it was asked. The workspace is one VMR (document 0) and one 16-bit FMR
// (document 1), small but consistent, so a run that passes the version gate can go to its end.
struct FakeHost {
    int version[3];
    int calls[kHostFunctionCount];
    std::vector<std::string> messageBoxTexts;
    std::vector<std::string> logTexts;
    int documentCount;
    int documentTypes[3];
    int currentDocument;
    int promptAnswer;
    FmrHeader fmrHeader;
    ScannerPositionHeader fmrPosition;
    ScannerPositionHeader vmrPosition;
    VmrHeader vmrHeader;
    std::vector<int16_t> fmrSamples;
    std::vector<float> fmrFloatSamples;
    int16_t* fmrSamplePointers[1];
    float* fmrFloatSamplePointers[1];
    std::vector<unsigned char> vmrVoxels;
};

// The host's state, shared by its exported functions and the tests.
FakeHost& fakeHost();

// Version (2, 9, 9), no calls recorded, the workspace described above, prompt answer 1.
void resetFakeHost();

// Sum of the calls recorded for every host function.
int totalFakeHostCalls();

// The address of this program's function for table entry index (whether exported or not).
void* fakeHostFunctionAddress(int index);

// True when this program exports the name of table entry index.
bool fakeHostExportsEntry(int index);

#endif
