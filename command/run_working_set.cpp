// Creation and release of the run's working set.
#include "command/run_working_set.h"

#include <string.h>

static FmrSlot emptyFmrSlot(int documentIndex) {
    FmrSlot slot;
    memset(&slot, 0, sizeof slot);
    slot.documentIndex = documentIndex;
    return slot;
}

RunWorkingSet emptyRunWorkingSet(void) {
    RunWorkingSet set;
    memset(&set, 0, sizeof set);
    set.fmr1 = emptyFmrSlot(kFirstFmrDocument);
    set.fmr2 = emptyFmrSlot(kSecondFmrDocument);
    set.mapping = kMappingFmrToVmr;
    return set;
}

static void releaseFmrRecords(FmrSlot& slot, const RunMemory& memory) {
    memory.release(slot.header);
    memory.release(slot.position);
    memory.release(slot.iaMatrix);
    slot.header = 0;
    slot.position = 0;
    slot.iaMatrix = 0;
}

static void releaseFloatVolume(FloatVolume& volume, const RunMemory& memory) {
    memory.release(volume.values);
    volume.values = 0;
    volume.voxelCount = 0;
}

void releaseRunWorkingSet(RunWorkingSet& set, const RunMemory& memory) {
    releaseFloatVolume(set.fmr1.volume, memory);
    releaseFloatVolume(set.fmr2.volume, memory);
    releaseFmrRecords(set.fmr1, memory);
    releaseFmrRecords(set.fmr2, memory);
    memory.release(set.vmrHeader);
    memory.release(set.vmrPosition);
    memory.release(set.pastTransformations);
    memory.release(set.flipMatrix);
    set.vmrHeader = 0;
    set.vmrPosition = 0;
    set.pastTransformations = 0;
    set.flipMatrix = 0;
    // The voxel bytes are the host's; only forget them.
    set.vmrVoxels = 0;
}
