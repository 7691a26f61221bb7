// Inversion of a Matrix4 through a singular value decomposition.
//
// The matrix is decomposed as U * diag(w) * V^T by a single-precision Golub-Reinsch SVD and assembled as
// V * diag(1/w) * U^T, skipping singular values that are exactly zero: a pseudo-inverse, so a singular
// matrix is no error. Every operation is rounded to float in the order written, and every work matrix is
// allocated and released within the call that needs it.
#ifndef POSALIGN_GEOMETRY_SVD_INVERSE_H
#define POSALIGN_GEOMETRY_SVD_INVERSE_H

#include "geometry/matrix4.h"

// A rows x cols work matrix: an array of row pointers, each row its own array of cols floats; element
// (i, j) is matrix[i][j].
typedef float** FloatMatrix;

// Writes the pseudo-inverse of source into all 16 elements of destination, which may be source itself.
// When the decomposition fails (no convergence) or work storage cannot be allocated, every element of
// destination is NaN, so that nothing mapped through it counts as inside a grid.
void inverse(const Matrix4& source, Matrix4& destination);

// Pseudo-inverse of the n x n matrix a into out; a is consumed (it holds U afterwards). out is written
// completely on success and left untouched on failure. False when the decomposition fails.
bool invertBySvd(FloatMatrix a, FloatMatrix out, int n);

// Decomposes the m x n matrix a into U * diag(w) * V^T: a becomes U, w receives the n singular values in
// the order the diagonalisation leaves them (not sorted, all >= 0 on success), v receives V (not V^T).
// False when a singular value has not converged after 30 passes, or the work vector cannot be allocated.
bool decomposeSvd(int m, int n, FloatMatrix a, float* w, FloatMatrix v);

// A rows x cols FloatMatrix with unset contents, released with releaseFloatMatrix; null when any of its
// allocations fails (nothing is left allocated then).
FloatMatrix allocateFloatMatrix(int rows, int cols);

// Releases the rows of a FloatMatrix in order, then its pointer array. A null matrix is ignored.
void releaseFloatMatrix(FloatMatrix matrix, int rows);

// sqrt(a*a + b*b) in single precision without overflow in the intermediate square.
float hypotenuse(float a, float b);

// |x| when y >= 0, otherwise -|x|; a NaN y counts as negative.
float sign(float x, float y);

#endif
