// Fuzz target: a run of the plug-in as the host starts it, against the host core. The program is named like
// the host's executable (Zentrovis) and exports the host functions, so the plug-in object made by the
// module's exported createPlugin binds them by name, passes or fails the version gate, and runs its command.
//
// The input decides the version the host reports (any triple, or one next to the gate, or the host's own),
// whether initPlugin comes first as the host calls it, the documents and the host's answers: grid sizes,
// voxel sizes, positions and rotations (or raw affines of any double), recorded flips of the anatomical,
// sample types and samples, names (long, and filling their fields without a terminating zero), no, one or
// two functionals, the document order, the initial-alignment matrix the host hands back (computed, or raw
// float bits), and the prompt's answer. Grids stay small so that a run takes milliseconds.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "host/core/host_functions.h"
#include "host/core/workspace.h"
#include "host_api/host_function_table.h"
#include "plugin/exports.h"

namespace {

struct FuzzHost {
    FuzzedDataProvider* fuzz;
    bool rawIaMatrix;
    IaMatrix ia;
    bool unterminatedNames; // the FMR headers the host hands over have names filling their fields
    // The entries the binding wrote, which the answers below pass through.
    decltype(gHostFunctions.zrCalculateIAMatrix) boundCalculateIaMatrix;
    decltype(gHostFunctions.zrGetHeaderOfCurrentFMR) boundGetFmrHeader;
};

FuzzHost gHost;

// Every text the plug-in hands over must be a terminated string.
void readText(const char* text) {
    if (text == nullptr || strlen(text) > (1u << 20)) {
        abort();
    }
}

void onLog(void*, const char* text) {
    readText(text);
}

int onPrompt(void*, const char* prompt, int, int, int) {
    readText(prompt);
    return gHost.fuzz->ConsumeIntegral<int>();
}

bool onSave(void*, const HostDocument* document, const char* stcPrefix) {
    readText(stcPrefix);
    readText(document->fileName);
    return gHost.fuzz->ConsumeBool();
}

void onRedraw(void*) {}

bool calculateIaMatrix(const ScannerPositionHeader* fmrPosition, const ScannerPositionHeader* vmrPosition,
                       const PastTransformationsHeader* pastTransformations, IaMatrix* iaMatrix,
                       float* flipMatrix, int* s1, int* s2, int* s3, int* s4, int* s5, int* s6) {
    bool ok = gHost.boundCalculateIaMatrix(fmrPosition, vmrPosition, pastTransformations, iaMatrix,
                                           flipMatrix, s1, s2, s3, s4, s5, s6);
    if (gHost.rawIaMatrix) {
        *iaMatrix = gHost.ia;
    }
    return ok;
}

bool getFmrHeader(FmrHeader* header) {
    bool ok = gHost.boundGetFmrHeader(header);
    if (ok && gHost.unterminatedNames) {
        memset(header->fileName, 'f', sizeof header->fileName);
        memset(header->stcPrefix, 's', sizeof header->stcPrefix);
        memset(header->linkedFileName, 'l', sizeof header->linkedFileName);
    }
    return ok;
}

// Answers the host core cannot give (raw matrix bits, names without their zero) come in where the plug-in
// asks the version: the binding has written the table by then, and the run has called nothing else.
void onHostCall(void*, const char* functionName, int) {
    if (strcmp(functionName, "zrGetVersionOfZentrovisZR") == 0) {
        gHost.boundCalculateIaMatrix = gHostFunctions.zrCalculateIAMatrix;
        gHost.boundGetFmrHeader = gHostFunctions.zrGetHeaderOfCurrentFMR;
        gHostFunctions.zrCalculateIAMatrix = calculateIaMatrix;
        gHostFunctions.zrGetHeaderOfCurrentFMR = getFmrHeader;
    }
}

// The version the host reports: any triple, one next to the gate's (2, 9, 9) in each part, or the host's own.
void setFuzzedHostVersion(FuzzedDataProvider& fuzz) {
    const int kind = fuzz.ConsumeIntegralInRange(0, 3);
    const int gate[3] = {2, 9, 9}, own[3] = {21, 3, 0};
    int version[3];
    for (int part = 0; part < 3; ++part) {
        version[part] = kind == 0   ? fuzz.ConsumeIntegral<int>()
                        : kind == 1 ? gate[part] + fuzz.ConsumeIntegralInRange(-1, 1)
                                    : own[part];
    }
    setHostVersion(version[0], version[1], version[2]);
}

// A voxel-to-scanner affine: voxel sizes, a rotation about each axis by quarter turns or small angles, and
// an offset; or, on request, twelve arbitrary doubles.
void makeAffine(FuzzedDataProvider& fuzz, double affine[16]) {
    memset(affine, 0, 16 * sizeof(double));
    affine[15] = 1.0;
    if (fuzz.ConsumeIntegralInRange(0, 7) == 0) {
        for (int k = 0; k < 12; ++k) {
            uint64_t bits = fuzz.ConsumeIntegral<uint64_t>();
            memcpy(&affine[k], &bits, sizeof bits);
        }
        return;
    }
    double size[3];
    for (double& s : size) {
        s = fuzz.ConsumeFloatingPointInRange<double>(-8.0, 8.0);
    }
    int permutation = fuzz.ConsumeIntegralInRange(0, 5);
    static const int kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (int column = 0; column < 3; ++column) {
        affine[4 * kAxes[permutation][column] + column] = size[column];
    }
    double shear = fuzz.ConsumeFloatingPointInRange<double>(-0.5, 0.5);
    affine[1] += shear * affine[5];
    for (int row = 0; row < 3; ++row) {
        affine[4 * row + 3] = fuzz.ConsumeFloatingPointInRange<double>(-200.0, 200.0);
    }
}

// A name of up to the longest its field holds, or longer (the host cuts it to fit).
std::string makeName(FuzzedDataProvider& fuzz, size_t capacity) {
    return fuzz.ConsumeRandomLengthString(capacity + 8);
}

HostDocument* makeVmr(FuzzedDataProvider& fuzz) {
    int32_t dims[3];
    for (int32_t& d : dims) {
        d = fuzz.ConsumeIntegralInRange<int32_t>(1, 24);
    }
    double affine[16];
    makeAffine(fuzz, affine);
    std::string name = makeName(fuzz, kFmrFileNameCapacity);
    HostDocument* vmr = createVmrDocument(dims, affine, name.c_str());
    if (vmr == nullptr) {
        return nullptr;
    }
    size_t count = static_cast<size_t>(dims[0]) * dims[1] * dims[2];
    std::vector<uint8_t> bytes = fuzz.ConsumeBytes<uint8_t>(count);
    if (!bytes.empty()) {
        memcpy(vmr->voxels, bytes.data(), bytes.size());
    }
    for (int flips = fuzz.ConsumeIntegralInRange(0, 3); flips > 0; --flips) {
        flipVmrDocument(vmr, fuzz.ConsumeIntegralInRange(0, 2));
    }
    return vmr;
}

HostDocument* makeFmr(FuzzedDataProvider& fuzz) {
    int32_t dims[3];
    for (int32_t& d : dims) {
        d = fuzz.ConsumeIntegralInRange<int32_t>(1, 12);
    }
    double affine[16];
    makeAffine(fuzz, affine);
    int dataType = fuzz.ConsumeBool() ? kFmrDataInt16 : kFmrDataFloat32;
    int volumes = fuzz.ConsumeIntegralInRange(1, 3);
    std::string fileName = makeName(fuzz, kFmrFileNameCapacity);
    std::string prefix = makeName(fuzz, kFmrStcPrefixCapacity);
    HostDocument* fmr = createFmrDocument(dims, affine, dataType, volumes, fileName.c_str(), prefix.c_str());
    if (fmr == nullptr) {
        return nullptr;
    }
    size_t count = static_cast<size_t>(dims[0]) * dims[1] * dims[2];
    for (int t = 0; t < volumes; ++t) {
        size_t bytes = count * (dataType == kFmrDataInt16 ? sizeof(int16_t) : sizeof(float));
        std::vector<uint8_t> samples = fuzz.ConsumeBytes<uint8_t>(bytes);
        void* volume =
            dataType == kFmrDataInt16 ? static_cast<void*>(fmr->intVolumes[t]) : fmr->floatVolumes[t];
        if (!samples.empty()) {
            memcpy(volume, samples.data(), samples.size());
        }
    }
    return fmr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fuzz(data, size);
    gHost.fuzz = &fuzz;
    setFuzzedHostVersion(fuzz);
    const bool initFirst = fuzz.ConsumeIntegralInRange(0, 3) != 0;
    gHost.rawIaMatrix = fuzz.ConsumeIntegralInRange(0, 3) == 0;
    for (float& s : gHost.ia.s) {
        uint32_t bits = fuzz.ConsumeIntegral<uint32_t>();
        memcpy(&s, &bits, sizeof bits);
    }
    gHost.unterminatedNames = fuzz.ConsumeIntegralInRange(0, 7) == 0;
    int fmrCount = fuzz.ConsumeIntegralInRange(0, 2);
    bool fmrFirst = fuzz.ConsumeIntegralInRange(0, 15) == 0;

    HostWorkspace workspace;
    initWorkspace(&workspace);
    workspace.callbacks.logText = onLog;
    workspace.callbacks.messageBox = onLog;
    workspace.callbacks.promptInteger = onPrompt;
    workspace.callbacks.saveFmr = onSave;
    workspace.callbacks.updateWindow = onRedraw;
    workspace.callbacks.noteCall = onHostCall;
    HostDocument* documents[3] = {makeVmr(fuzz), nullptr, nullptr};
    for (int i = 1; i <= fmrCount; ++i) {
        documents[i] = makeFmr(fuzz);
    }
    if (fmrFirst) {
        HostDocument* first = documents[0];
        documents[0] = documents[1];
        documents[1] = first;
    }
    for (HostDocument* document : documents) {
        if (document != nullptr && !addDocument(&workspace, document)) {
            releaseDocument(document);
        }
    }
    installWorkspace(&workspace);
    // As the host does: initPlugin, and execute only when it agreed; or execute alone, which binds afresh.
    ZVZRPluginInterface* plugin = createPlugin();
    if (!initFirst || plugin->initPlugin()) {
        plugin->execute();
    }
    delete plugin;
    installWorkspace(nullptr);
    releaseWorkspaceDocuments(&workspace);
    return 0;
}
