// The float grids the alignment check works on: a functional's temporal mean or an anatomical, and coarser
// copies of them made by averaging blocks of voxels.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_CHECK_GRID_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_CHECK_GRID_H

#include <array>
#include <cstdint>
#include <vector>

#include "host/alignment_check/world_matrix.h"
#include "host/nifti/nifti_file.h"

// A 3-D grid of samples, x fastest; a non-finite sample marks a voxel without data.
struct ScalarGrid {
    int nx = 0, ny = 0, nz = 0;
    std::vector<float> values;
    Matrix4d voxelToWorld = identityMatrix(); // voxel indices to world mm
};

// The mean over all volumes of each voxel's finite samples (NaN where none is finite), with the image's
// voxel-to-world affine.
ScalarGrid temporalMean(const NiftiImage& image);

// Voxel sizes (mm) of a grid: the lengths of its affine's first three columns.
std::array<double, 3> voxelSizes(const Matrix4d& voxelToWorld);

// Blocks of factor[a] voxels along each axis a averaged into one (finite samples only; a last, partial
// block averages what it has). The affine follows, so each new voxel lies at its block's centre.
ScalarGrid averageBlocks(const ScalarGrid& grid, const std::array<int, 3>& factor);

// Block factors that bring the grid's voxels closest to spacingMm (at least 1 per axis).
std::array<int, 3> blockFactorsFor(const ScalarGrid& grid, double spacingMm);

// An intensity range for binning: the lowest finite sample and the given quantile (0..1) of the finite
// samples. low == high when the grid is constant or has no finite sample.
struct IntensityRange {
    float low = 0, high = 0;
};
IntensityRange intensityRange(const ScalarGrid& grid, double upperQuantile);

// Each sample's bin 0..bins-1 of range (clamped at both ends); non-finite samples go to bin 0.
std::vector<uint8_t> binSamples(const ScalarGrid& grid, const IntensityRange& range, int bins);

// The bin of one value (as binSamples).
int binOf(float value, const IntensityRange& range, int bins);

// World position of the grid's centre.
Point3d gridCentre(const ScalarGrid& grid);

#endif
