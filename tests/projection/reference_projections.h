// The projections' voxel loops as first written: every voxel of the walked grid mapped on its own with
// mapInsideGrid, one pass after the other. The fast kernels must give exactly what these give.
#ifndef POSALIGN_TESTS_PROJECTION_REFERENCE_PROJECTIONS_H
#define POSALIGN_TESTS_PROJECTION_REFERENCE_PROJECTIONS_H

#include "projection/walk_kernels.h"

// Mapping 1's two passes over the VMR (m: centred VMR to centred FMR coordinates).
FmrPaintSums referencePaintFmrIntoVmr(const Matrix4& m, unsigned char* vmr, const GridSize& vmrSize,
                                      const float* fmr, const GridSize& fmrSize);

// Mapping 3's two passes.
FmrPairSums referencePaintTwoFmrs(const Matrix4& m1, const Matrix4& m2, unsigned char* vmr,
                                  const GridSize& vmrSize, float* fmr1, const GridSize& fmrSize1,
                                  const float* fmr2, const GridSize& fmrSize2);

// Mapping 2's loop over the FMR (m: centred FMR to centred VMR coordinates).
void referenceSampleVmrIntoFmr(const Matrix4& m, const unsigned char* vmr, const GridSize& vmrSize,
                               float* fmr, const GridSize& fmrSize);

#endif
