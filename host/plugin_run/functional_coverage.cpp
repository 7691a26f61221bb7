// Mapping the corners of each FMR grid into the VMR grid through scanner space.
#include "host/plugin_run/functional_coverage.h"

#include <algorithm>
#include <cmath>

#include "host/core/affine_math.h"

FunctionalCoverage functionalCoverage(const HostDocument* vmr, const HostDocument* const* fmrs,
                                      int fmrCount) {
    FunctionalCoverage coverage;
    double scannerToVmr[16];
    bool invertible = affineInverse(vmr->voxelToScanner, scannerToVmr);
    bool first = true;
    for (int f = 0; invertible && f < fmrCount; ++f) {
        double voxelToVmr[16];
        affineMultiply(scannerToVmr, fmrs[f]->voxelToScanner, voxelToVmr);
        for (int corner = 0; corner < 8; ++corner) {
            double point[3], mapped[3];
            for (int axis = 0; axis < 3; ++axis) {
                point[axis] = (corner >> axis) & 1 ? fmrs[f]->dims[axis] - 0.5 : -0.5;
            }
            affineApply(voxelToVmr, point[0], point[1], point[2], mapped);
            for (int axis = 0; axis < 3; ++axis) {
                float value = static_cast<float>(mapped[axis]);
                coverage.minimum[axis] = first ? value : std::min(coverage.minimum[axis], value);
                coverage.maximum[axis] = first ? value : std::max(coverage.maximum[axis], value);
            }
            first = false;
        }
    }
    coverage.valid = invertible && fmrCount > 0;
    for (int axis = 0; axis < 3; ++axis) {
        double middle = coverage.valid ? 0.5 * (coverage.minimum[axis] + coverage.maximum[axis])
                                       : 0.5 * (vmr->dims[axis] - 1);
        if (!std::isfinite(middle)) {
            middle = 0.5 * (vmr->dims[axis] - 1);
        }
        double clamped = std::clamp(std::floor(middle + 0.5), 0.0, static_cast<double>(vmr->dims[axis] - 1));
        coverage.centre[axis] = static_cast<int>(clamped);
    }
    return coverage;
}
