// The recording stand-in host and projections.
#include "recording_host.h"

#include <cstdlib>
#include <cstring>
#include <set>

#include "host_api/host_function_table.h"

static RecordingHost* gHost = nullptr;

RecordingHost& recordingHost() {
    return *gHost;
}

static void record(const std::string& call) {
    gHost->calls.push_back(call);
}

static std::string current() {
    return std::to_string(gHost->currentDocument);
}

void RecordingHost::addVmr(int index, int dimX, int dimY, int dimZ) {
    documentTypes[index] = kDocumentVmr;
    vmrHeader.dimX = dimX;
    vmrHeader.dimY = dimY;
    vmrHeader.dimZ = dimZ;
    vmrHeader.voxelSizeX = vmrHeader.voxelSizeY = vmrHeader.voxelSizeZ = 1.0f;
    vmrVoxels.assign(static_cast<size_t>(dimX) * dimY * dimZ, 0);
}

FakeFmrDocument& RecordingHost::addFmr(int index, const std::string& prefix, int dimX, int dimY, int dimZ,
                                       int dataType) {
    documentTypes[index] = kDocumentFmr;
    FakeFmrDocument& fmr = fmrs[index];
    fmr.header.dimX = dimX;
    fmr.header.dimY = dimY;
    fmr.header.dimZ = dimZ;
    fmr.header.voxelSizeX = fmr.header.voxelSizeY = fmr.header.voxelSizeZ = 1.0f;
    fmr.header.dataType = dataType;
    std::snprintf(fmr.header.stcPrefix, sizeof fmr.header.stcPrefix, "%s", prefix.c_str());
    std::snprintf(fmr.header.fileName, sizeof fmr.header.fileName, "%s.fmr", prefix.c_str());
    std::snprintf(fmr.header.linkedFileName, sizeof fmr.header.linkedFileName, "%s.prt", prefix.c_str());
    size_t count = dimX > 0 && dimY > 0 && dimZ > 0 ? static_cast<size_t>(dimX) * dimY * dimZ : 0;
    fmr.intSamples.assign(count, 0);
    fmr.floatSamples.assign(count, 0.0f);
    for (int k = 0; k < 16; ++k) {
        fmr.iaToWrite.s[k] = k % 5 == 0 ? 1.0f : 0.0f;
        fmr.flipToWrite[k] = k % 5 == 0 ? 1.0f : 0.0f;
    }
    return fmr;
}

void RecordingHost::addDocumentOfType(int index, int type) {
    documentTypes[index] = type;
}

std::vector<std::string> RecordingHost::logTexts() const {
    std::vector<std::string> texts;
    for (const std::string& call : calls) {
        if (call.rfind("log: ", 0) == 0) {
            texts.push_back(call.substr(5));
        }
    }
    return texts;
}

static FakeFmrDocument* currentFmr() {
    auto found = gHost->fmrs.find(gHost->currentDocument);
    return found == gHost->fmrs.end() ? nullptr : &found->second;
}

static std::string names(const FmrHeader& header) {
    return std::string(header.fileName) + "|" + header.stcPrefix + "|" + header.linkedFileName;
}

// --- host functions -------------------------------------------------------------------------------------

static bool fakeShowLogTab(void) {
    record("zrShowLogTab()");
    return true;
}

static bool fakeLogText(const char* text) {
    record(std::string("log: ") + text);
    return true;
}

static int fakeGetIntegerInput(const char* prompt, int defaultValue, int lowest, int highest) {
    record("zrGetIntegerInput(" + std::string(prompt) + ", " + std::to_string(defaultValue) + ", " +
           std::to_string(lowest) + ", " + std::to_string(highest) + ")");
    return gHost->mappingAnswer;
}

static bool fakeUpdateActiveWindow(void) {
    record("zrUpdateActiveWindow()");
    return true;
}

static int fakeGetNumberOfDocs(void) {
    record("zrGetNumberOfDocsInWorkspace()");
    return gHost->documentCount;
}

static int fakeGetDocumentType(int index) {
    record("zrGetDocumentType(" + std::to_string(index) + ")");
    auto found = gHost->documentTypes.find(index);
    return found == gHost->documentTypes.end() ? 0 : found->second;
}

static bool fakeSetAsCurrentDocument(int index) {
    record("zrSetAsCurrentDocument(" + std::to_string(index) + ")");
    gHost->currentDocument = index;
    return true;
}

static bool fakeCalculateIAMatrix(const ScannerPositionHeader* fmrPosition,
                                  const ScannerPositionHeader* vmrPosition,
                                  const PastTransformationsHeader* past, IaMatrix* ia, float* flip, int* s1,
                                  int* s2, int* s3, int* s4, int* s5, int* s6) {
    auto owner = gHost->fmrPositionOwner.find(fmrPosition);
    int fmr = owner == gHost->fmrPositionOwner.end() ? -1 : owner->second;
    std::set<int*> scratch = {s1, s2, s3, s4, s5, s6};
    bool scratchSound = scratch.size() == 6 && scratch.count(nullptr) == 0;
    bool vmrSound = vmrPosition == gHost->vmrPositionSeen && past == gHost->pastSeen;
    bool flipSound = gHost->flipSeen == nullptr || gHost->flipSeen == flip;
    record("zrCalculateIAMatrix(fmr " + std::to_string(fmr) + (vmrSound ? "" : ", foreign VMR records") +
           (scratchSound ? "" : ", scratch not six distinct values") +
           (flipSound ? "" : ", another flip matrix") + ")");
    if (fmr < 0) {
        return false;
    }
    gHost->flipSeen = flip;
    gHost->iaOwner[ia] = fmr;
    *ia = gHost->fmrs[fmr].iaToWrite;
    std::memcpy(flip, gHost->fmrs[fmr].flipToWrite, sizeof(float) * 16);
    *s1 = *s2 = *s3 = *s4 = *s5 = *s6 = 77;
    return true;
}

static bool fakeGetHeaderOfCurrentFMR(FmrHeader* header) {
    record("zrGetHeaderOfCurrentFMR(" + current() + ")");
    if (FakeFmrDocument* fmr = currentFmr()) {
        *header = fmr->header;
        gHost->fmrHeaderOwner[header] = gHost->currentDocument;
    }
    return true;
}

static bool fakeSetHeaderOfCurrentFMR(const FmrHeader* header) {
    record("zrSetHeaderOfCurrentFMR(" + current() + ": " + names(*header) + ")");
    gHost->headersSet[gHost->currentDocument] = *header;
    return true;
}

static float** fakeGetSTCFloatData(void) {
    record("zrGetSTCFloatDataOfCurrentFMR(" + current() + ")");
    FakeFmrDocument* fmr = currentFmr();
    if (fmr == nullptr || fmr->noSampleArray) {
        return nullptr;
    }
    fmr->floatPointers[0] = fmr->nullFirstPointer ? nullptr : fmr->floatSamples.data();
    return fmr->floatPointers;
}

static int16_t** fakeGetSTCIntData(void) {
    record("zrGetSTCIntDataOfCurrentFMR(" + current() + ")");
    FakeFmrDocument* fmr = currentFmr();
    if (fmr == nullptr || fmr->noSampleArray) {
        return nullptr;
    }
    fmr->intPointers[0] = fmr->nullFirstPointer ? nullptr : fmr->intSamples.data();
    return fmr->intPointers;
}

static bool fakeSaveFMRAndSTC(const FmrHeader* header, const char* stcPrefix) {
    bool prefixIsField = stcPrefix == header->stcPrefix;
    record("zrSaveFMRAndSTC(" + current() + ": " + names(*header) +
           (prefixIsField ? "" : ", prefix argument " + std::string(stcPrefix)) + ")");
    gHost->headersSaved[gHost->currentDocument] = *header;
    return true;
}

static bool fakeGetScannerPositionOfCurrentFMR(ScannerPositionHeader* position) {
    record("zrGetScannerPositionHeaderOfCurrentFMR(" + current() + ")");
    if (FakeFmrDocument* fmr = currentFmr()) {
        *position = fmr->position;
        gHost->fmrPositionOwner[position] = gHost->currentDocument;
    }
    return true;
}

static unsigned char* fakeGetCurrentVMR(int* a, int* b, int* c) {
    record("zrGetCurrentVMR(" + current() + ")");
    *a = *b = *c = -5; // never read by the plug-in
    return gHost->noVmrVoxels ? nullptr : gHost->vmrVoxels.data();
}

static bool fakeGetMainHeaderOfCurrentVMR(VmrHeader* header) {
    record("zrGetMainHeaderOfCurrentVMR(" + current() + ")");
    *header = gHost->vmrHeader;
    gHost->vmrHeaderSeen = header;
    return true;
}

static bool fakeGetScannerPositionOfCurrentVMR(ScannerPositionHeader* position) {
    record("zrGetScannerPositionHeaderOfCurrentVMR(" + current() + ")");
    *position = gHost->vmrPosition;
    gHost->vmrPositionSeen = position;
    return true;
}

static bool fakeGetPastTransformations(PastTransformationsHeader* past) {
    record("zrGetPastTransformationsHeaderOfCurrentVMR(" + current() + ")");
    *past = *gHost->pastTransformations;
    gHost->pastSeen = past;
    return true;
}

static bool fakeGetVersion(int* a, int* b, int* c) {
    *a = 3;
    *b = 0;
    *c = 0;
    return true;
}

static bool fakeMessageBox(const char* text) {
    record(std::string("zrMessageBox(") + text + ")");
    return true;
}

static std::unique_ptr<RecordingHost> gOwnedHost;

void installFakeHost() {
    gOwnedHost.reset(new RecordingHost());
    gHost = gOwnedHost.get();
    std::memset(&gHostFunctions, 0, sizeof gHostFunctions);
    gHostFunctions.zrGetVersionOfZentrovisZR = fakeGetVersion;
    gHostFunctions.zrShowLogTab = fakeShowLogTab;
    gHostFunctions.zrLogText = fakeLogText;
    gHostFunctions.zrMessageBox = fakeMessageBox;
    gHostFunctions.zrGetIntegerInput = fakeGetIntegerInput;
    gHostFunctions.zrUpdateActiveWindow = fakeUpdateActiveWindow;
    gHostFunctions.zrGetNumberOfDocsInWorkspace = fakeGetNumberOfDocs;
    gHostFunctions.zrGetDocumentType = fakeGetDocumentType;
    gHostFunctions.zrSetAsCurrentDocument = fakeSetAsCurrentDocument;
    gHostFunctions.zrCalculateIAMatrix = fakeCalculateIAMatrix;
    gHostFunctions.zrGetHeaderOfCurrentFMR = fakeGetHeaderOfCurrentFMR;
    gHostFunctions.zrSetHeaderOfCurrentFMR = fakeSetHeaderOfCurrentFMR;
    gHostFunctions.zrGetSTCFloatDataOfCurrentFMR = fakeGetSTCFloatData;
    gHostFunctions.zrGetSTCIntDataOfCurrentFMR = fakeGetSTCIntData;
    gHostFunctions.zrSaveFMRAndSTC = fakeSaveFMRAndSTC;
    gHostFunctions.zrGetScannerPositionHeaderOfCurrentFMR = fakeGetScannerPositionOfCurrentFMR;
    gHostFunctions.zrGetCurrentVMR = fakeGetCurrentVMR;
    gHostFunctions.zrGetMainHeaderOfCurrentVMR = fakeGetMainHeaderOfCurrentVMR;
    gHostFunctions.zrGetScannerPositionHeaderOfCurrentVMR = fakeGetScannerPositionOfCurrentVMR;
    gHostFunctions.zrGetPastTransformationsHeaderOfCurrentVMR = fakeGetPastTransformations;
}

// --- recording projections --------------------------------------------------------------------------------

// "fmr k" when header, position and IaMatrix all belong to document k, else a description of the mix-up.
static std::string fmrArguments(const FmrHeader& header, const ScannerPositionHeader& position,
                                const IaMatrix& ia) {
    int h = gHost->fmrHeaderOwner.count(&header) ? gHost->fmrHeaderOwner[&header] : -1;
    int p = gHost->fmrPositionOwner.count(&position) ? gHost->fmrPositionOwner[&position] : -1;
    int i = gHost->iaOwner.count(&ia) ? gHost->iaOwner[&ia] : -1;
    if (h == p && p == i) {
        return "fmr " + std::to_string(h);
    }
    return "mixed records " + std::to_string(h) + "/" + std::to_string(p) + "/" + std::to_string(i);
}

static std::string vmrArguments(const unsigned char* voxels, const VmrHeader& header, const Matrix4& flip) {
    std::string text;
    if (voxels != gHost->vmrVoxels.data()) {
        text += ", foreign voxels";
    }
    if (&header != gHost->vmrHeaderSeen) {
        text += ", foreign VMR header";
    }
    if (flip.m != gHost->flipSeen) {
        text += ", foreign flip matrix";
    }
    return text;
}

static void noteVolume(const FmrHeader& header, const FloatVolume& volume) {
    int owner = gHost->fmrHeaderOwner.count(&header) ? gHost->fmrHeaderOwner[&header] : -1;
    if (gHost->volumesSeenByProjections.count(owner) == 0) {
        gHost->volumesSeenByProjections[owner] =
            std::vector<float>(volume.values, volume.values + volume.voxelCount);
    }
    gHost->lastFlipMatrixWritten.assign(gHost->flipSeen, gHost->flipSeen + 16);
}

static FmrToVmrResult recordFmrToVmr(unsigned char* voxels, const VmrHeader& vmrHeader, const Matrix4& flip,
                                     const FloatVolume& volume, const FmrHeader& header,
                                     const ScannerPositionHeader& position, const IaMatrix& ia) {
    record("projectFmrToVmr(" + fmrArguments(header, position, ia) + vmrArguments(voxels, vmrHeader, flip) +
           ")");
    noteVolume(header, volume);
    return FmrToVmrResult{};
}

static VmrToFmrResult recordVmrToFmr(const unsigned char* voxels, const VmrHeader& vmrHeader,
                                     const Matrix4& flip, FloatVolume& volume, const FmrHeader& header,
                                     const ScannerPositionHeader& position, const IaMatrix& ia) {
    std::string fmr = fmrArguments(header, position, ia);
    record("projectVmrToFmr(" + fmr + vmrArguments(voxels, vmrHeader, flip) + ")");
    noteVolume(header, volume);
    const std::function<void(FloatVolume&)>& effect =
        fmr == "fmr 1" ? gHost->effects.vmrToFmr1 : gHost->effects.vmrToFmr2;
    if (effect) {
        effect(volume);
    }
    return VmrToFmrResult{};
}

static TwoFmrsToVmrResult recordTwoFmrsToVmr(unsigned char* voxels, const VmrHeader& vmrHeader,
                                             const Matrix4& flip, FloatVolume& volume1,
                                             const FmrHeader& header1, const ScannerPositionHeader& position1,
                                             const IaMatrix& ia1, const FloatVolume& volume2,
                                             const FmrHeader& header2, const ScannerPositionHeader& position2,
                                             const IaMatrix& ia2) {
    record("projectTwoFmrsToVmr(" + fmrArguments(header1, position1, ia1) + ", " +
           fmrArguments(header2, position2, ia2) + vmrArguments(voxels, vmrHeader, flip) + ")");
    noteVolume(header1, volume1);
    noteVolume(header2, volume2);
    if (gHost->effects.twoFmrsToVmr1) {
        gHost->effects.twoFmrsToVmr1(volume1);
    }
    return TwoFmrsToVmrResult{};
}

ProjectionSet recordingProjections() {
    ProjectionSet projections = {recordFmrToVmr, recordVmrToFmr, recordTwoFmrsToVmr};
    return projections;
}

// --- counting memory --------------------------------------------------------------------------------------

int CountingMemory::liveBlocks = 0;
int CountingMemory::requests = 0;
int CountingMemory::failAtRequest = -1;

void CountingMemory::reset(int failAt) {
    liveBlocks = 0;
    requests = 0;
    failAtRequest = failAt;
}

static void* countingAllocate(size_t count, size_t size) {
    int request = CountingMemory::requests++;
    if (request == CountingMemory::failAtRequest) {
        return nullptr;
    }
    void* block = std::calloc(count, size);
    if (block != nullptr) {
        ++CountingMemory::liveBlocks;
    }
    return block;
}

static void countingRelease(void* block) {
    if (block != nullptr) {
        --CountingMemory::liveBlocks;
        std::free(block);
    }
}

RunMemory CountingMemory::memory() {
    RunMemory memory = {countingAllocate, countingRelease};
    return memory;
}
