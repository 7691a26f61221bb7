// What the two images' headers say about their placement, in world terms.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_HEADER_COMPARISON_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_HEADER_COMPARISON_H

#include <optional>

#include "host/alignment_check/alignment_result.h"
#include "host/alignment_check/check_grid.h"
#include "host/nifti/nifti_file.h"

// Centre distance, rotation between the grids, handedness, qform/sform disagreements and overlap of the
// functional grid with the anatomical grid.
HeaderComparison compareHeaders(const NiftiImage& anatomical, const NiftiImage& functional);

// The angle (degrees) between two grids' axes, the axes paired up in whatever order and direction brings
// them closest (a sagittal and an axial grid are 0 degrees apart; an axial and a 10-degree oblique one 10).
double gridRotationDeg(const Matrix4d& a, const Matrix4d& b);

// The largest distance (mm) between where the qform and the sform put the grid's corners; empty unless
// both are set.
std::optional<double> qformSformDisagreementMm(const NiftiImage& image);

#endif
