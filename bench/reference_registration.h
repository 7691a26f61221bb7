// The accuracy table's reference registration: Debian's elastix (`apt-get install elastix`), rigid, Mattes
// mutual information, one thread, started as its own program on NIfTI files in a scratch folder. Only the
// table uses it; the check never does.
#ifndef POSALIGN_BENCH_REFERENCE_REGISTRATION_H
#define POSALIGN_BENCH_REFERENCE_REGISTRATION_H

#include <string>

#include "host/alignment_check/synthetic_pair.h"

// elastix's answer in the check's terms.
struct ReferenceResult {
    Matrix4d correction = identityMatrix(); // world mm (RAS): correction * functional affine = aligned affine
    double seconds = 0;                     // wall-clock time of the elastix run
    std::string error;                      // empty when it ran and its answer was read
};

// True when an elastix program is on the PATH.
bool elastixAvailable();

// Registers the anatomical file to functional, starting from the headers (the functional is elastix's fixed
// image, so its voxels are the samples, as in the check), in a new folder below scratchFolder, removed after.
ReferenceResult registerWithElastix(const std::string& anatomicalPath, const NiftiImage& functional,
                                    const std::string& scratchFolder);

#endif
