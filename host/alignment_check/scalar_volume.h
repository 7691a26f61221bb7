// One 3-D volume of float samples placed in the NIfTI world (RAS, mm), the form every picture and the
// report sample from.
//
// Conventions: voxelToWorld is row-major 4x4 ([4*i + j] is row i, column j), acting on column vectors
// (i, j, k, 1) of voxel indices; the voxel (i, j, k) is element i + nx*(j + ny*k).
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_SCALAR_VOLUME_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_SCALAR_VOLUME_H

#include <array>
#include <vector>

#include "host/nifti/nifti_file.h"

using Affine = std::array<double, 16>;
using WorldPoint = std::array<double, 3>;

struct ScalarVolume {
    int nx = 0, ny = 0, nz = 0;
    Affine voxelToWorld{};
    std::vector<float> samples; // nx*ny*nz
};

// The first volume of an image (an anatomical), NaN and infinite samples kept as they are.
ScalarVolume firstVolume(const NiftiImage& image);

// The temporal mean of all volumes of an image (a functional run); a voxel with a non-finite sample in
// any volume is NaN.
ScalarVolume temporalMeanVolume(const NiftiImage& image);

// The product a * b of two affines (b acts first).
Affine multiplyAffines(const Affine& a, const Affine& b);

// The inverse of an affine whose last row is 0 0 0 1; all zeros when its 3x3 part is singular.
Affine inverseAffine(const Affine& a);

// The world position of a (possibly fractional) voxel index.
WorldPoint voxelToWorldPoint(const Affine& voxelToWorld, double i, double j, double k);

// The world-axis-aligned box around the outer corners of the volume (voxel edges, not centres).
void worldBounds(const ScalarVolume& volume, WorldPoint& minimum, WorldPoint& maximum);

#endif
