// The singular value decomposition behind inverse: work matrices, the decomposition and the pseudo-inverse
// of an n x n work matrix, every operation rounded to float in the order written.
#ifndef POSALIGN_GEOMETRY_SVD_DECOMPOSITION_H
#define POSALIGN_GEOMETRY_SVD_DECOMPOSITION_H

// A rows x cols work matrix: an array of row pointers, each row its own array of cols floats; element
// (i, j) is matrix[i][j].
typedef float** FloatMatrix;

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
