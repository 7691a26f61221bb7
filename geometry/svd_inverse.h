// Inversion of a Matrix4 through a singular value decomposition.
//
// The matrix is decomposed as U * diag(w) * V^T by a single-precision Golub-Reinsch SVD and assembled as
// V * diag(1/w) * U^T, skipping singular values that are exactly zero: a pseudo-inverse, so a singular
// matrix is no error. Every operation is rounded to float in the order written, and every work matrix is
// allocated and released within the call that needs it.
#ifndef POSALIGN_GEOMETRY_SVD_INVERSE_H
#define POSALIGN_GEOMETRY_SVD_INVERSE_H

#include "geometry/matrix4.h"

// Writes the pseudo-inverse of source into all 16 elements of destination, which may be source itself.
// When the decomposition fails (no convergence) or work storage cannot be allocated, every element of
// destination is NaN, so that nothing mapped through it counts as inside a grid.
void inverse(const Matrix4& source, Matrix4& destination);

#endif
