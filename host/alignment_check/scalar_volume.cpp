// The volumes that pictures sample from.
#include "host/alignment_check/scalar_volume.h"

#include <algorithm>
#include <limits>

ScalarGrid firstVolume(const NiftiImage& image) {
    ScalarGrid grid;
    grid.nx = image.nx;
    grid.ny = image.ny;
    grid.nz = image.nz;
    grid.voxelToWorld = matrixFromRowMajor(image.voxelToWorld);
    grid.values.resize(static_cast<size_t>(image.nx) * image.ny * image.nz);
    for (size_t i = 0; i < grid.values.size(); ++i) {
        grid.values[i] = image.isInt16 ? static_cast<float>(image.int16Samples[i]) : image.floatSamples[i];
    }
    return grid;
}

void worldBounds(const ScalarGrid& grid, Point3d& minimum, Point3d& maximum) {
    minimum.fill(std::numeric_limits<double>::max());
    maximum.fill(std::numeric_limits<double>::lowest());
    for (int corner = 0; corner < 8; ++corner) {
        double i = (corner & 1) ? grid.nx - 0.5 : -0.5;
        double j = (corner & 2) ? grid.ny - 0.5 : -0.5;
        double k = (corner & 4) ? grid.nz - 0.5 : -0.5;
        Point3d p = transformPoint(grid.voxelToWorld, {i, j, k});
        for (int axis = 0; axis < 3; ++axis) {
            minimum[axis] = std::min(minimum[axis], p[axis]);
            maximum[axis] = std::max(maximum[axis], p[axis]);
        }
    }
}
