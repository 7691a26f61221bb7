// Overlap in the direction each mapping walks, and samples that are not numbers.
#include "host/plugin_run/run_warnings.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "host/plugin_run/functional_coverage.h"
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

// True when the centre of some voxel of from, in the box [first, last] of its voxels, lies inside the grid
// of every document in onto.
bool anyCentreInside(const HostDocument* from, const std::vector<const HostDocument*>& onto,
                     const int32_t first[3], const int32_t last[3]) {
    std::vector<std::array<double, 16>> fromToOnto(onto.size());
    for (size_t d = 0; d < onto.size(); ++d) {
        double scannerToOnto[16];
        if (!affineInverse(onto[d]->voxelToScanner, scannerToOnto)) {
            return false;
        }
        affineMultiply(scannerToOnto, from->voxelToScanner, fromToOnto[d].data());
    }
    for (int32_t k = first[2]; k <= last[2]; ++k) {
        for (int32_t j = first[1]; j <= last[1]; ++j) {
            for (int32_t i = first[0]; i <= last[0]; ++i) {
                size_t d = 0;
                for (double at[3]; d < onto.size(); ++d) {
                    affineApply(fromToOnto[d].data(), i, j, k, at);
                    if (!insideGrid(at, onto[d]->dims)) {
                        break;
                    }
                }
                if (d == onto.size()) {
                    return true;
                }
            }
        }
    }
    return false;
}

// True when the centre of some VMR voxel lies inside every FMR's grid; only the VMR voxels in the box that
// each FMR grid's own box holds are tried.
bool anatomicalCentreInside(const HostDocument* vmr, const std::vector<const HostDocument*>& fmrs) {
    double low[3] = {0.0, 0.0, 0.0};
    double high[3] = {vmr->dims[0] - 1.0, vmr->dims[1] - 1.0, vmr->dims[2] - 1.0};
    for (const HostDocument* fmr : fmrs) {
        FunctionalCoverage box = functionalCoverage(vmr, &fmr, 1);
        if (!box.valid) {
            return false;
        }
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::max(std::ceil(static_cast<double>(box.minimum[axis])), low[axis]);
            high[axis] = std::min(std::floor(static_cast<double>(box.maximum[axis])), high[axis]);
        }
    }
    int32_t first[3], last[3];
    for (int axis = 0; axis < 3; ++axis) {
        if (!(low[axis] <= high[axis])) {
            return false;
        }
        first[axis] = static_cast<int32_t>(low[axis]);
        last[axis] = static_cast<int32_t>(high[axis]);
    }
    return anyCentreInside(vmr, fmrs, first, last);
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

RunFindings examineRun(const HostDocument* const* documents, int documentCount) {
    RunFindings findings;
    const HostDocument* vmr = documents[0];
    for (int f = 1; f < documentCount; ++f) {
        const HostDocument* fmr = documents[f];
        FunctionalFindings found;
        const int32_t first[3] = {0, 0, 0};
        const int32_t last[3] = {fmr->dims[0] - 1, fmr->dims[1] - 1, fmr->dims[2] - 1};
        found.centreInsideAnatomical = anyCentreInside(fmr, {vmr}, first, last);
        found.anatomicalCentreInside = anatomicalCentreInside(vmr, {fmr});
        found.nonFiniteSamples = nonFiniteSamplesInFirstVolume(fmr);
        findings.functionals.push_back(found);
    }
    if (documentCount == 3) {
        findings.anatomicalCentreInsideBoth = anatomicalCentreInside(vmr, {documents[1], documents[2]});
    }
    return findings;
}

std::vector<std::string> runWarnings(const RunFindings& findings, const std::vector<DocumentSource>& sources,
                                     int mapping) {
    std::vector<std::string> warnings;
    const std::string anatomical = displayName(sources[0]);
    const std::vector<FunctionalFindings>& functionals = findings.functionals;
    for (size_t f = 0; f < functionals.size(); ++f) {
        const FunctionalFindings& found = functionals[f];
        std::string name = displayName(sources[f + 1]);
        if (mapping == 2 && !found.centreInsideAnatomical) {
            warnings.push_back(name + ": no voxel of this functional lies inside the anatomical " +
                               anatomical + ", so nothing of the anatomical was resampled into it");
        } else if (mapping != 2 && !found.anatomicalCentreInside) {
            warnings.push_back(name + ": no voxel of the anatomical " + anatomical +
                               " lies inside this functional, so the plug-in had nothing to compare or "
                               "paint; its overlap measures read nan");
        } else if (mapping == 3 && f == 0 && functionals.size() == 2 &&
                   functionals[1].anatomicalCentreInside && !findings.anatomicalCentreInsideBoth) {
            // Each run overlaps the anatomical, so the warning above stays silent, but not where the other
            // does.
            warnings.push_back(name + ": no voxel of the anatomical " + anatomical +
                               " lies inside both this functional and " + displayName(sources[2]) +
                               ", so the plug-in had no voxel pairs to compare and copied nothing between "
                               "them; its FMR-FMR measures of the overlap read nan (and the SSD 0)");
        }
        if (found.nonFiniteSamples > 0) {
            warnings.push_back(name + ": " + std::to_string(found.nonFiniteSamples) +
                               " samples of the first volume (the one the plug-in compares) are NaN or "
                               "infinite; every measure that takes one in reads nan");
        }
    }
    return warnings;
}
