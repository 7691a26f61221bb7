// A stand-in host for the command tests: a workspace of documents built in code, and a record of every host
// call (and every projection call) in order, with its arguments, as one line of text each.
//
// Log texts are recorded as "log: <text>". Records the plug-in hands over are identified by the document
// whose call filled them, so "projectFmrToVmr(fmr 1)" means header, scanner position and IaMatrix all came
// from document 1 and the VMR arguments are the ones the host filled.
#ifndef POSALIGN_TESTS_COMMAND_RECORDING_HOST_H
#define POSALIGN_TESTS_COMMAND_RECORDING_HOST_H

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "command/projection_set.h"
#include "command/run_memory.h"
#include "host_api/host_records.h"

struct FakeFmrDocument {
    FmrHeader header{};
    ScannerPositionHeader position{};
    std::vector<int16_t> intSamples;
    std::vector<float> floatSamples;
    int16_t* intPointers[1] = {nullptr};
    float* floatPointers[1] = {nullptr};
    bool noSampleArray = false;    // the data functions answer null
    bool nullFirstPointer = false; // the array's first pointer is null
    IaMatrix iaToWrite{};          // what zrCalculateIAMatrix writes for this FMR
    float flipToWrite[16] = {};    // what zrCalculateIAMatrix writes as flip matrix for this FMR
};

// What the recording projections do to the volumes they are given (called after recording).
struct ProjectionEffects {
    std::function<void(FloatVolume&)> vmrToFmr1;
    std::function<void(FloatVolume&)> vmrToFmr2;
    std::function<void(FloatVolume&)> twoFmrsToVmr1;
};

struct RecordingHost {
    int documentCount = 0;
    std::map<int, int> documentTypes; // by workspace index
    std::map<int, FakeFmrDocument> fmrs;
    VmrHeader vmrHeader{};
    ScannerPositionHeader vmrPosition{};
    std::unique_ptr<PastTransformationsHeader> pastTransformations{new PastTransformationsHeader()};
    std::vector<unsigned char> vmrVoxels;
    bool noVmrVoxels = false;
    int mappingAnswer = 1;
    ProjectionEffects effects;

    // Observations.
    int currentDocument = -1;
    std::vector<std::string> calls;
    std::map<int, std::vector<float>>
        volumesSeenByProjections; // FMR document -> volume at its first projection
    std::vector<float> lastFlipMatrixWritten;
    std::map<int, FmrHeader> headersSet;   // document -> header given to zrSetHeaderOfCurrentFMR
    std::map<int, FmrHeader> headersSaved; // document -> header given to zrSaveFMRAndSTC

    // Pointers the plug-in handed to the host, to identify them later.
    std::map<const void*, int> fmrHeaderOwner, fmrPositionOwner, iaOwner;
    const void* vmrHeaderSeen = nullptr;
    const void* vmrPositionSeen = nullptr;
    const void* pastSeen = nullptr;
    const float* flipSeen = nullptr;

    void addVmr(int index, int dimX, int dimY, int dimZ);
    FakeFmrDocument& addFmr(int index, const std::string& prefix, int dimX, int dimY, int dimZ, int dataType);
    void addDocumentOfType(int index, int type);

    std::vector<std::string> logTexts() const;
};

// The host of the running test; installFakeHost makes a fresh one and points every called entry of
// gHostFunctions at it.
RecordingHost& recordingHost();
void installFakeHost();

// Projections that only record their call (and apply the host's ProjectionEffects).
ProjectionSet recordingProjections();

// A RunMemory that counts live blocks and can refuse the n-th request (0-based); -1 never refuses.
struct CountingMemory {
    static int liveBlocks;
    static int requests;
    static int failAtRequest;
    static void reset(int failAt = -1);
    static RunMemory memory();
};

#endif
