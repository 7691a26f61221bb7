// Synthetic images with a known alignment for the check's tests, benchmark and accuracy table: the phantom
// head sampled in any contrast on any grid, images resampled into new grids, moved and mirrored.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_SYNTHETIC_PAIR_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_SYNTHETIC_PAIR_H

#include <functional>

#include "host/alignment_check/world_matrix.h"
#include "host/nifti/nifti_file.h"

// Tissue contrasts of the phantom head.
enum class Contrast {
    kT1,  // white brighter than grey, CSF dark
    kT2,  // CSF brightest, grey above white
    kEpi, // the phantom's functional contrast
};

// A grid: its size and voxel-to-world affine.
struct GridSpec {
    int nx = 0, ny = 0, nz = 0;
    Matrix4d voxelToWorld = identityMatrix();
};

// A grid of the given voxel sizes centred at centre, its axes along world x, y, z turned by rotationDeg
// (about x, then y, then z).
GridSpec obliqueGrid(int nx, int ny, int nz, const Point3d& voxelSizeMm, const Point3d& centre,
                     const Point3d& rotationDeg);

// The phantom head in a contrast: each voxel the mean of 8 points a quarter voxel from its centre, plus
// deterministic noise of up to noiseShare of the brightest tissue. One volume of float samples.
NiftiImage phantomImage(const GridSpec& grid, Contrast contrast, double noiseShare);

// source resampled trilinearly into grid (0 outside the source), each value passed through remap; each
// voxel is the mean of 8 points a quarter voxel from its centre, which blurs like a coarser acquisition.
NiftiImage resampledImage(const NiftiImage& source, const GridSpec& grid,
                          const std::function<float(float)>& remap);

// image with its affine replaced by motion * affine (as sform; the qform unset).
NiftiImage movedImage(const NiftiImage& image, const Matrix4d& motion);

// image with its samples reversed along voxel axis x and its header unchanged: a flip the header misses.
NiftiImage flippedAlongX(const NiftiImage& image);

// Writes the float samples of image (one volume) with its geometry to a gzipped NIfTI-1 file; empty text on
// success, else the reason.
std::string writeFloatImage(const std::string& path, const NiftiImage& image);

// image with the voxel-to-world affine set as sform (qform unset).
void setAffine(NiftiImage& image, const Matrix4d& voxelToWorld);

// The trilinear value of a float image at a voxel position; 0 outside the grid.
float trilinearAt(const NiftiImage& image, const Point3d& voxel);

#endif
