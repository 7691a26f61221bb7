// The volumes that pictures and the report sample from, taken out of NIfTI images as the check's own grids
// (ScalarGrid: world mm, the check's affine type), so that a picture shows exactly what the check measured.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_SCALAR_VOLUME_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_SCALAR_VOLUME_H

#include "host/alignment_check/check_grid.h"
#include "host/nifti/nifti_file.h"

// The first volume of an image (an anatomical), NaN and infinite samples kept as they are.
ScalarGrid firstVolume(const NiftiImage& image);

// The world-axis-aligned box around the outer corners of the grid (voxel edges, not centres).
void worldBounds(const ScalarGrid& grid, Point3d& minimum, Point3d& maximum);

#endif
