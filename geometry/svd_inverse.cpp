// Pseudo-inverse of a Matrix4 through the singular value decomposition of its 4 x 4 work copy.
#include "geometry/svd_inverse.h"

#include <math.h>

#include "geometry/svd_decomposition.h"

void inverse(const Matrix4& source, Matrix4& destination) {
    FloatMatrix p = allocateFloatMatrix(4, 4);
    FloatMatrix q = allocateFloatMatrix(4, 4);
    bool inverted = false;
    if (p != 0 && q != 0) {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                p[i][j] = source.m[4 * i + j];
            }
        }
        inverted = invertBySvd(p, q, 4);
    }
    // source is fully copied into p before destination (possibly the same matrix) is written.
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            destination.m[4 * i + j] = inverted ? q[i][j] : NAN;
        }
    }
    releaseFloatMatrix(p, 4);
    releaseFloatMatrix(q, 4);
}
