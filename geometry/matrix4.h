// 4x4 homogeneous matrices in single precision.
//
// Matrix4 stores sixteen floats row by row: element [i][j] (row i, column j) is m[4*i + j]. Points are
// column vectors, result = M * v, with w = 1 for positions and no division by w. In a written product
// A * B the right factor acts first on a point. Every dot product rounds each of its four products to float
// and adds them in the order k = 0, 1, 2, 3; the build forbids fused multiply-add so this holds everywhere.
#ifndef POSALIGN_GEOMETRY_MATRIX4_H
#define POSALIGN_GEOMETRY_MATRIX4_H

#include "host_api/host_records.h"

struct Matrix4 {
    float m[16]; // row-major: [i][j] at 4*i + j
};

// Writes the identity.
void setIdentity(Matrix4& result);

// Writes diag(sx, sy, sz, 1).
void setScaling(Matrix4& result, float sx, float sy, float sz);

// result = left * right; result must not share storage with either operand.
void multiply(const Matrix4& left, const Matrix4& right, Matrix4& result);

// The Matrix4 of the host's initial-alignment record: for a rigid [R | t] stored row by row it is the
// inverse [R^T | -R^T t]; s12..s14 are added to the translation column as they stand; row 3 is 0, 0, 0, s15.
void convertIaMatrix(const IaMatrix& ia, Matrix4& result);

enum { kMatrixLogTextCapacity = 512 };

// A newly malloc'ed 512-byte text: "title: \n" and four lines of four tab-led values in storage order,
// each printed as formatLogNumber prints it. A text longer than 511 characters is cut after 511 characters
// (still NUL-terminated), so nothing is written past the buffer. The caller frees it with free(). Null when
// the allocation fails.
char* matrixLogText(const float values[16], const char* title);

#endif
