// Matrix4 operations.
#include "geometry/matrix4.h"

#include <stdio.h>
#include <stdlib.h>

#include "geometry/log_number.h"

void setIdentity(Matrix4& result) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            result.m[4 * i + j] = i == j ? 1.0f : 0.0f;
        }
    }
}

void setScaling(Matrix4& result, float sx, float sy, float sz) {
    setIdentity(result);
    result.m[0] = sx;
    result.m[5] = sy;
    result.m[10] = sz;
}

void multiply(const Matrix4& left, const Matrix4& right, Matrix4& result) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float p0 = left.m[4 * i + 0] * right.m[0 + j];
            float p1 = left.m[4 * i + 1] * right.m[4 + j];
            float p2 = left.m[4 * i + 2] * right.m[8 + j];
            float p3 = left.m[4 * i + 3] * right.m[12 + j];
            result.m[4 * i + j] = ((p0 + p1) + p2) + p3;
        }
    }
}

void convertIaMatrix(const IaMatrix& ia, Matrix4& result) {
    const float* s = ia.s;
    // The stored matrix transposed, with row 3 reduced to (0, 0, 0, s15) ...
    Matrix4 transposed = {{s[0], s[4], s[8], s[12],  //
                           s[1], s[5], s[9], s[13],  //
                           s[2], s[6], s[10], s[14], //
                           0.0f, 0.0f, 0.0f, s[15]}};
    // ... times the translation by the negated stored translation (sign bits flipped).
    Matrix4 translation;
    setIdentity(translation);
    translation.m[3] = -s[3];
    translation.m[7] = -s[7];
    translation.m[11] = -s[11];
    multiply(transposed, translation, result);
}

char* matrixLogText(const float values[16], const char* title) {
    char* text = static_cast<char*>(malloc(kMatrixLogTextCapacity));
    if (text == 0) {
        return 0;
    }
    char numbers[16][kLogNumberTextCapacity];
    for (int k = 0; k < 16; ++k) {
        formatLogNumber(values[k], numbers[k]);
    }
    // snprintf stops at 511 characters, which is what a too-long text becomes.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif
    snprintf(text, kMatrixLogTextCapacity,
             "%s: \n\t%s\t%s\t%s\t%s\n\t%s\t%s\t%s\t%s\n\t%s\t%s\t%s\t%s\n\t%s\t%s\t%s\t%s\n", title,
             numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5], numbers[6], numbers[7],
             numbers[8], numbers[9], numbers[10], numbers[11], numbers[12], numbers[13], numbers[14],
             numbers[15]);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    return text;
}
