// Overlap in the direction each mapping walks, and samples that are not numbers.
#include "host/app/run_warnings.h"

#include <algorithm>
#include <cmath>

#include "host/app/functional_coverage.h"
#include "host/core/affine_math.h"

namespace {

std::string displayName(const DocumentSource& source) {
    return source.path.empty() ? source.stem : source.path;
}

// True when the point (voxel coordinates) lies in a grid of dims voxels (voxel edges at -0.5 and n - 0.5),
// as the plug-in's half-up rounding decides it.
bool insideGrid(const double at[3], const int32_t dims[3]) {
    for (int axis = 0; axis < 3; ++axis) {
        if (!(at[axis] >= -0.5 && at[axis] < dims[axis] - 0.5)) {
            return false;
        }
    }
    return true;
}

// True when the centre of some voxel of from, in the box [first, last] of its voxels, lies inside onto's
// grid.
bool anyCentreInside(const HostDocument* from, const HostDocument* onto, const int32_t first[3],
                     const int32_t last[3]) {
    double scannerToOnto[16], fromToOnto[16];
    if (!affineInverse(onto->voxelToScanner, scannerToOnto)) {
        return false;
    }
    affineMultiply(scannerToOnto, from->voxelToScanner, fromToOnto);
    for (int32_t k = first[2]; k <= last[2]; ++k) {
        for (int32_t j = first[1]; j <= last[1]; ++j) {
            for (int32_t i = first[0]; i <= last[0]; ++i) {
                double at[3];
                affineApply(fromToOnto, i, j, k, at);
                if (insideGrid(at, onto->dims)) {
                    return true;
                }
            }
        }
    }
    return false;
}

// True when the centre of some VMR voxel lies inside the FMR's grid; only the VMR voxels in the box that
// holds the FMR grid are tried.
bool anatomicalCentreInside(const HostDocument* vmr, const HostDocument* fmr) {
    FunctionalCoverage box = functionalCoverage(vmr, &fmr, 1);
    if (!box.valid) {
        return false;
    }
    int32_t first[3], last[3];
    for (int axis = 0; axis < 3; ++axis) {
        double low = std::max(std::ceil(static_cast<double>(box.minimum[axis])), 0.0);
        double high = std::min(std::floor(static_cast<double>(box.maximum[axis])), vmr->dims[axis] - 1.0);
        if (!(low <= high)) {
            return false;
        }
        first[axis] = static_cast<int32_t>(low);
        last[axis] = static_cast<int32_t>(high);
    }
    return anyCentreInside(vmr, fmr, first, last);
}

int64_t nonFiniteSamplesInFirstVolume(const HostDocument* fmr) {
    if (fmr->floatVolumes == nullptr) {
        return 0; // 16-bit samples are always numbers
    }
    const float* samples = fmr->floatVolumes[0];
    return std::count_if(samples, samples + documentVoxelCount(fmr),
                         [](float v) { return !std::isfinite(v); });
}

} // namespace

std::vector<FunctionalFindings> examineFunctionals(const HostDocument* const* documents, int documentCount) {
    std::vector<FunctionalFindings> findings;
    const HostDocument* vmr = documents[0];
    for (int f = 1; f < documentCount; ++f) {
        const HostDocument* fmr = documents[f];
        FunctionalFindings found;
        const int32_t first[3] = {0, 0, 0};
        const int32_t last[3] = {fmr->dims[0] - 1, fmr->dims[1] - 1, fmr->dims[2] - 1};
        found.centreInsideAnatomical = anyCentreInside(fmr, vmr, first, last);
        found.anatomicalCentreInside = anatomicalCentreInside(vmr, fmr);
        found.nonFiniteSamples = nonFiniteSamplesInFirstVolume(fmr);
        findings.push_back(found);
    }
    return findings;
}

std::vector<std::string> runWarnings(const std::vector<FunctionalFindings>& findings,
                                     const std::vector<DocumentSource>& sources, int mapping) {
    std::vector<std::string> warnings;
    const std::string anatomical = displayName(sources[0]);
    for (size_t f = 0; f < findings.size(); ++f) {
        const FunctionalFindings& found = findings[f];
        std::string name = displayName(sources[f + 1]);
        if (mapping == 2 && !found.centreInsideAnatomical) {
            warnings.push_back(name + ": no voxel of this functional lies inside the anatomical " +
                               anatomical + ", so nothing of the anatomical was resampled into it");
        } else if (mapping != 2 && !found.anatomicalCentreInside) {
            warnings.push_back(name + ": no voxel of the anatomical " + anatomical +
                               " lies inside this functional, so the plug-in had nothing to compare or "
                               "paint; its overlap measures read nan");
        }
        if (found.nonFiniteSamples > 0) {
            warnings.push_back(name + ": " + std::to_string(found.nonFiniteSamples) +
                               " samples of the first volume (the one the plug-in compares) are NaN or "
                               "infinite; every measure that takes one in reads nan");
        }
    }
    return warnings;
}
