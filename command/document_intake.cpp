// Workspace check, FMR and VMR intake, initial alignment and the mapping prompt.
#include "command/document_intake.h"

#include <stdio.h>

#include "command/float_volume_io.h"
#include "command/intensity_normalisation.h"
#include "command/voxel_count.h"
#include "command/volume_precomparison.h"
#include "command/matrix_log.h"
#include "host_api/host_function_table.h"

static const char kWorkspaceRefusal[] =
    "Document 1 needs to be a VMR and Document 2 an FMR (Document 3 FMR is optional)";
static const char kMappingPrompt[] = "Please select a mapping:\n1. FMR -> VMR\n2. VMR -> FMR\n3. FMR -> FMR";
static const char kOutOfMemoryForRecords[] = "Not enough memory for the run's records; the run stops.";

enum { kReasonTextCapacity = 160 };

static void logText(const HostFunctionTable& host, const char* text) {
    host.zrLogText(text);
}

// True when the workspace holds a VMR at 0 and an FMR at 1; hasSecondFmr tells whether 2 is an FMR too.
static bool checkWorkspace(const HostFunctionTable& host, bool& hasSecondFmr) {
    int documentCount = host.zrGetNumberOfDocsInWorkspace();
    if (documentCount < 2 || host.zrGetDocumentType(kVmrDocument) != kDocumentVmr ||
        host.zrGetDocumentType(kFirstFmrDocument) != kDocumentFmr) {
        logText(host, kWorkspaceRefusal);
        return false;
    }
    hasSecondFmr = documentCount >= 3 && host.zrGetDocumentType(kSecondFmrDocument) == kDocumentFmr;
    return true;
}

template <typename Record> static bool allocateRecord(Record*& record, const RunMemory& memory) {
    record = (Record*)memory.allocateZeroed(1, sizeof(Record));
    return record != 0;
}

// The float copy of the current FMR's first volume, with its size checked against the header first.
static bool readFmrVolume(const HostFunctionTable& host, FmrSlot& slot, const RunMemory& memory) {
    const FmrHeader& header = *slot.header;
    char reason[kReasonTextCapacity];
    int32_t voxelCount = 0;
    VoxelCountStatus status = fmrVoxelCount(header, voxelCount);
    if (status == kVoxelCountNegativeDimension) {
        snprintf(reason, sizeof reason,
                 "FMR %d: its dimensions %d x %d x %d include a negative one; the run stops.",
                 slot.documentIndex, (int)header.dimX, (int)header.dimY, (int)header.dimZ);
        logText(host, reason);
        return false;
    }
    if (status == kVoxelCountTooLarge) {
        snprintf(reason, sizeof reason,
                 "FMR %d: its %d x %d x %d voxels do not fit a 32-bit voxel count; the run stops.",
                 slot.documentIndex, (int)header.dimX, (int)header.dimY, (int)header.dimZ);
        logText(host, reason);
        return false;
    }
    if (!allocateFloatVolume(voxelCount, memory, slot.volume)) {
        snprintf(reason, sizeof reason,
                 "FMR %d: not enough memory for the float copy of its %d voxels; the run stops.",
                 slot.documentIndex, (int)voxelCount);
        logText(host, reason);
        return false;
    }
    if (!readCurrentFmrSamples(host, header, slot.volume)) {
        snprintf(reason, sizeof reason,
                 "FMR %d: the host gave no sample data for its %d voxels; the run stops.", slot.documentIndex,
                 (int)voxelCount);
        logText(host, reason);
        return false;
    }
    return true;
}

// Makes the slot's document current and reads its header, scanner position and first volume.
static bool readFmr(const HostFunctionTable& host, FmrSlot& slot, const RunMemory& memory) {
    if (!allocateRecord(slot.header, memory) || !allocateRecord(slot.position, memory) ||
        !allocateRecord(slot.iaMatrix, memory)) {
        logText(host, kOutOfMemoryForRecords);
        return false;
    }
    host.zrSetAsCurrentDocument(slot.documentIndex);
    host.zrGetHeaderOfCurrentFMR(slot.header);
    host.zrGetScannerPositionHeaderOfCurrentFMR(slot.position);
    return readFmrVolume(host, slot, memory);
}

// Makes the VMR current and reads its header, voxel data, scanner position and past transformations.
static bool readVmr(const HostFunctionTable& host, RunWorkingSet& set, const RunMemory& memory) {
    if (!allocateRecord(set.vmrHeader, memory) || !allocateRecord(set.vmrPosition, memory) ||
        !allocateRecord(set.pastTransformations, memory) || !allocateRecord(set.flipMatrix, memory)) {
        logText(host, kOutOfMemoryForRecords);
        return false;
    }
    host.zrSetAsCurrentDocument(kVmrDocument);
    host.zrGetMainHeaderOfCurrentVMR(set.vmrHeader);
    // The host fills these and the run never reads them; the voxel bytes are addressed by the header alone.
    int unusedDimensions[3] = {0, 0, 0};
    set.vmrVoxels = host.zrGetCurrentVMR(&unusedDimensions[0], &unusedDimensions[1], &unusedDimensions[2]);
    if (set.vmrVoxels == 0) {
        logText(host, "VMR: the host gave no voxel data; the run stops.");
        return false;
    }
    host.zrGetScannerPositionHeaderOfCurrentVMR(set.vmrPosition);
    host.zrGetPastTransformationsHeaderOfCurrentVMR(set.pastTransformations);
    return true;
}

// Has the host write the slot's IaMatrix and the shared flip matrix, then logs the IaMatrix.
static void calculateInitialAlignment(const HostFunctionTable& host, RunWorkingSet& set, FmrSlot& slot,
                                      const char* title) {
    // Six values the host fills for its own use; the run never reads them.
    int unused[6] = {0, 0, 0, 0, 0, 0};
    host.zrCalculateIAMatrix(slot.position, set.vmrPosition, set.pastTransformations, slot.iaMatrix,
                             set.flipMatrix->m, &unused[0], &unused[1], &unused[2], &unused[3], &unused[4],
                             &unused[5]);
    logMatrix(host, slot.iaMatrix->s, title);
}

bool gatherRunWorkingSet(const HostFunctionTable& host, RunWorkingSet& set, const RunMemory& memory) {
    host.zrShowLogTab();
    logText(host, "\nposalignplugin> Started...");
    logText(host, "Check available projects...");
    if (!checkWorkspace(host, set.hasSecondFmr)) {
        return false;
    }

    logText(host, "Get FMR header...");
    if (!readFmr(host, set.fmr1, memory)) {
        return false;
    }
    logText(host, "Get FMR 2 header...");
    if (set.hasSecondFmr && !readFmr(host, set.fmr2, memory)) {
        return false;
    }

    // Only the counts must agree: grids of different shape are compared element by element in storage order.
    if (set.hasSecondFmr && set.fmr1.volume.voxelCount == set.fmr2.volume.voxelCount) {
        logVolumePrecomparison(host, set.fmr1.volume, set.fmr2.volume);
    }
    normaliseIntensities(set.fmr1.volume);
    if (set.hasSecondFmr) {
        normaliseIntensities(set.fmr2.volume);
    }

    logText(host, "Get VMR header...");
    if (!readVmr(host, set, memory)) {
        return false;
    }
    calculateInitialAlignment(host, set, set.fmr1, "Initial FMR1 to VMR mapping");
    if (set.hasSecondFmr) {
        calculateInitialAlignment(host, set, set.fmr2, "Initial FMR2 to VMR mapping");
    }

    int answer = host.zrGetIntegerInput(kMappingPrompt, 1, 1, 3);
    set.mapping = mappingChoiceFromAnswer(answer);
    return true;
}
