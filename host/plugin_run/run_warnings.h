// Reasons why a run's measures say nothing, which the plug-in's log only shows as "nan": the host looks at
// the documents before the run and names the cause afterwards.
#ifndef POSALIGN_HOST_PLUGIN_RUN_RUN_WARNINGS_H
#define POSALIGN_HOST_PLUGIN_RUN_RUN_WARNINGS_H

#include <cstdint>
#include <string>
#include <vector>

#include "host/plugin_run/input_documents.h"
#include "host/core/workspace.h"

// What the host finds in one functional before the run (the run changes its first volume).
struct FunctionalFindings {
    bool centreInsideAnatomical = false; // some FMR voxel centre lies in the VMR grid: mapping 2 projects
    bool anatomicalCentreInside = false; // some VMR voxel centre lies in the FMR grid: mappings 1, 3 compare
    int64_t nonFiniteSamples = 0;        // NaN or infinite samples in the first volume, the one compared
};

// What the host finds in the documents before the run.
struct RunFindings {
    std::vector<FunctionalFindings> functionals; // one per FMR, in order
    bool anatomicalCentreInsideBoth = false; // two FMRs: some VMR voxel centre lies in both (mapping 3 pairs)
};

// The findings of the run; documents: the VMR first, then the FMRs.
RunFindings examineRun(const HostDocument* const* documents, int documentCount);

// One sentence per cause, naming the file, for the mapping that ran (1..3): a functional that the mapping's
// direction finds no overlap with, two functionals that each overlap the anatomical but share none of its
// voxels (mapping 3), and a functional whose first volume holds samples that are not finite.
// findings.functionals[i] belongs to sources[i + 1].
std::vector<std::string> runWarnings(const RunFindings& findings, const std::vector<DocumentSource>& sources,
                                     int mapping);

#endif
