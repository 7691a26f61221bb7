// Checking the functionals against the anatomical's grid and for samples that are not numbers.
#include "host/app/run_warnings.h"

#include <cmath>

#include "host/core/affine_math.h"

namespace {

std::string displayName(const DocumentSource& source) {
    return source.path.empty() ? source.stem : source.path;
}

// True when the centre of some FMR voxel lies inside the VMR's grid (voxel edges at -0.5 and n - 0.5).
bool anyVoxelInside(const HostDocument* vmr, const HostDocument* fmr) {
    double scannerToVmr[16], fmrToVmr[16];
    if (!affineInverse(vmr->voxelToScanner, scannerToVmr)) {
        return false;
    }
    affineMultiply(scannerToVmr, fmr->voxelToScanner, fmrToVmr);
    for (int32_t k = 0; k < fmr->dims[2]; ++k) {
        for (int32_t j = 0; j < fmr->dims[1]; ++j) {
            for (int32_t i = 0; i < fmr->dims[0]; ++i) {
                double at[3];
                affineApply(fmrToVmr, i, j, k, at);
                bool inside = true;
                for (int axis = 0; axis < 3; ++axis) {
                    inside = inside && at[axis] >= -0.5 && at[axis] < vmr->dims[axis] - 0.5;
                }
                if (inside) {
                    return true;
                }
            }
        }
    }
    return false;
}

// Samples of the FMR's first volume that are NaN or infinite; 16-bit samples never are.
int64_t nonFiniteSamplesInFirstVolume(const HostDocument* fmr) {
    if (fmr->floatVolumes == nullptr) {
        return 0;
    }
    int64_t count = 0;
    const float* samples = fmr->floatVolumes[0];
    for (int32_t i = 0, n = documentVoxelCount(fmr); i < n; ++i) {
        count += std::isfinite(samples[i]) ? 0 : 1;
    }
    return count;
}

} // namespace

std::vector<std::string> runWarnings(const HostDocument* const* documents, int documentCount,
                                     const std::vector<DocumentSource>& sources) {
    std::vector<std::string> warnings;
    const HostDocument* vmr = documents[0];
    for (int f = 1; f < documentCount; ++f) {
        const HostDocument* fmr = documents[f];
        std::string name = displayName(sources[f]);
        if (!anyVoxelInside(vmr, fmr)) {
            warnings.push_back(name + ": no voxel of this functional lies inside the anatomical " +
                               displayName(sources[0]) +
                               ", so the plug-in had nothing to compare or project; its overlap measures "
                               "read nan");
        }
        int64_t nonFinite = nonFiniteSamplesInFirstVolume(fmr);
        if (nonFinite > 0) {
            warnings.push_back(name + ": " + std::to_string(nonFinite) + " of " +
                               std::to_string(documentVoxelCount(fmr)) +
                               " samples of the first volume (the one the plug-in compares) are NaN or "
                               "infinite; every measure that takes one in reads nan");
        }
    }
    return warnings;
}
