// Dispatch on the user's mapping.
#include "command/mapping_dispatch.h"

#include "command/projection_log.h"
#include "command/write_back.h"
#include "projection/projections.h"

static const char kReloadHint[] = "Reload FMR(s) and detach any AMRs to see the projection!";

static void paintFmr(const HostFunctionTable& host, RunWorkingSet& set, const FmrSlot& slot) {
    logFmrToVmrResult(host, projectFmrToVmr(set.vmrVoxels, *set.vmrHeader, *set.flipMatrix, slot.volume,
                                            *slot.header, *slot.position, *slot.iaMatrix));
    host.zrUpdateActiveWindow();
}

static void resampleVmrInto(const HostFunctionTable& host, RunWorkingSet& set, FmrSlot& slot) {
    logVmrToFmrResult(host, projectVmrToFmr(set.vmrVoxels, *set.vmrHeader, *set.flipMatrix, slot.volume,
                                            *slot.header, *slot.position, *slot.iaMatrix));
}

static void runFmrToVmr(const HostFunctionTable& host, RunWorkingSet& set) {
    host.zrLogText("Projecting FMRs in VMR");
    paintFmr(host, set, set.fmr1);
    if (set.hasSecondFmr) {
        paintFmr(host, set, set.fmr2);
    }
}

static void runVmrToFmr(const HostFunctionTable& host, RunWorkingSet& set) {
    host.zrLogText("Projecting VMR in FMR");
    resampleVmrInto(host, set, set.fmr1);
    if (set.hasSecondFmr) {
        resampleVmrInto(host, set, set.fmr2);
    }
    // FMR 1 is written back and saved completely before FMR 2 is made current.
    writeBackAndSaveFmr(host, set.fmr1, kSavedNameVmrProjection, 0);
    if (set.hasSecondFmr) {
        writeBackAndSaveFmr(host, set.fmr2, kSavedNameVmrProjection, 0);
    }
    host.zrLogText(kReloadHint);
}

static void runFmrToFmr(const HostFunctionTable& host, RunWorkingSet& set) {
    host.zrLogText("Projecting FMR1,FMR2->VMR and FMR2->FMR1");
    if (!set.hasSecondFmr) {
        host.zrLogText(
            "No second FMR available, FMR to FMR mapping not possible; FMR will be mapped to VMR.");
        paintFmr(host, set, set.fmr1);
        return;
    }
    logTwoFmrsToVmrResult(host, projectTwoFmrsToVmr(set.vmrVoxels, *set.vmrHeader, *set.flipMatrix,
                                                    set.fmr1.volume, *set.fmr1.header, *set.fmr1.position,
                                                    *set.fmr1.iaMatrix, set.fmr2.volume, *set.fmr2.header,
                                                    *set.fmr2.position, *set.fmr2.iaMatrix));
    host.zrUpdateActiveWindow();
    writeBackAndSaveFmr(host, set.fmr1, kSavedNameFromSecondFmr, set.fmr2.header);
    host.zrLogText(kReloadHint);
}

void dispatchMapping(const HostFunctionTable& host, RunWorkingSet& set) {
    switch (set.mapping) {
    case kMappingFmrToVmr:
        runFmrToVmr(host, set);
        break;
    case kMappingVmrToFmr:
        runVmrToFmr(host, set);
        break;
    case kMappingFmrToFmr:
        runFmrToFmr(host, set);
        break;
    }
}
