// Dispatch on the user's mapping.
#include "command/mapping_dispatch.h"

#include "command/projection_log.h"
#include "command/write_back.h"
#include "host_api/host_function_table.h"

static const char kReloadHint[] = "Reload FMR(s) and detach any AMRs to see the projection!";

static void logText(const char* text) {
    gHostFunctions.zrLogText(text);
}

static void paintFmr(RunWorkingSet& set, const FmrSlot& slot, const ProjectionSet& projections) {
    logFmrToVmrResult(projections.fmrToVmr(set.vmrVoxels, *set.vmrHeader, *set.flipMatrix, slot.volume,
                                           *slot.header, *slot.position, *slot.iaMatrix));
    gHostFunctions.zrUpdateActiveWindow();
}

static void resampleVmrInto(RunWorkingSet& set, FmrSlot& slot, const ProjectionSet& projections) {
    logVmrToFmrResult(projections.vmrToFmr(set.vmrVoxels, *set.vmrHeader, *set.flipMatrix, slot.volume,
                                           *slot.header, *slot.position, *slot.iaMatrix));
}

static void runFmrToVmr(RunWorkingSet& set, const ProjectionSet& projections) {
    logText("Projecting FMRs in VMR");
    paintFmr(set, set.fmr1, projections);
    if (set.hasSecondFmr) {
        paintFmr(set, set.fmr2, projections);
    }
}

static void runVmrToFmr(RunWorkingSet& set, const ProjectionSet& projections) {
    logText("Projecting VMR in FMR");
    resampleVmrInto(set, set.fmr1, projections);
    if (set.hasSecondFmr) {
        resampleVmrInto(set, set.fmr2, projections);
    }
    // FMR 1 is written back and saved completely before FMR 2 is made current.
    writeBackAndSaveFmr(set.fmr1, kSavedNameVmrProjection, 0);
    if (set.hasSecondFmr) {
        writeBackAndSaveFmr(set.fmr2, kSavedNameVmrProjection, 0);
    }
    logText(kReloadHint);
}

static void runFmrToFmr(RunWorkingSet& set, const ProjectionSet& projections) {
    logText("Projecting FMR1,FMR2->VMR and FMR2->FMR1");
    if (!set.hasSecondFmr) {
        logText("No second FMR available, FMR to FMR mapping not possible; FMR will be mapped to VMR.");
        paintFmr(set, set.fmr1, projections);
        return;
    }
    logTwoFmrsToVmrResult(projections.twoFmrsToVmr(
        set.vmrVoxels, *set.vmrHeader, *set.flipMatrix, set.fmr1.volume, *set.fmr1.header, *set.fmr1.position,
        *set.fmr1.iaMatrix, set.fmr2.volume, *set.fmr2.header, *set.fmr2.position, *set.fmr2.iaMatrix));
    gHostFunctions.zrUpdateActiveWindow();
    writeBackAndSaveFmr(set.fmr1, kSavedNameFromSecondFmr, set.fmr2.header);
    logText(kReloadHint);
}

void dispatchMapping(RunWorkingSet& set, const ProjectionSet& projections) {
    switch (set.mapping) {
    case kMappingFmrToVmr:
        runFmrToVmr(set, projections);
        break;
    case kMappingVmrToFmr:
        runVmrToFmr(set, projections);
        break;
    case kMappingFmrToFmr:
        runFmrToFmr(set, projections);
        break;
    }
}
