// Double-precision affine helpers and a library-free sine and cosine.
#include "host/core/affine_math.h"

#include <math.h>
#include <string.h>

void affineIdentity(double out[16]) {
    for (int k = 0; k < 16; ++k) {
        out[k] = k % 5 == 0 ? 1.0 : 0.0;
    }
}

void affineMultiply(const double left[16], const double right[16], double out[16]) {
    double product[16];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += left[4 * i + k] * right[4 * k + j];
            }
            product[4 * i + j] = sum;
        }
    }
    memcpy(out, product, sizeof product);
}

bool affineInverse(const double m[16], double out[16]) {
    const double a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
    const double c00 = e * i - f * h, c01 = f * g - d * i, c02 = d * h - e * g;
    const double det = a * c00 + b * c01 + c * c02;
    if (!(det != 0.0) || !isfinite(det)) {
        return false;
    }
    double inverse[16];
    inverse[0] = c00 / det;
    inverse[1] = (c * h - b * i) / det;
    inverse[2] = (b * f - c * e) / det;
    inverse[4] = c01 / det;
    inverse[5] = (a * i - c * g) / det;
    inverse[6] = (c * d - a * f) / det;
    inverse[8] = c02 / det;
    inverse[9] = (b * g - a * h) / det;
    inverse[10] = (a * e - b * d) / det;
    for (int row = 0; row < 3; ++row) {
        const double* r = inverse + 4 * row;
        inverse[4 * row + 3] = -(r[0] * m[3] + r[1] * m[7] + r[2] * m[11]);
    }
    inverse[12] = 0.0;
    inverse[13] = 0.0;
    inverse[14] = 0.0;
    inverse[15] = 1.0;
    memcpy(out, inverse, sizeof inverse);
    return true;
}

void affineApply(const double m[16], double x, double y, double z, double result[3]) {
    for (int row = 0; row < 3; ++row) {
        const double* r = m + 4 * row;
        result[row] = r[0] * x + r[1] * y + r[2] * z + r[3];
    }
}

void sinCosDegrees(double degrees, double* sine, double* cosine) {
    // Reduce to [-180, 180]; the libraries of the two platforms may round sin/cos differently, plain
    // arithmetic does not.
    double reduced = degrees;
    if (!isfinite(reduced)) {
        *sine = 0.0;
        *cosine = 1.0;
        return;
    }
    reduced = fmod(reduced, 360.0);
    if (reduced > 180.0) {
        reduced -= 360.0;
    } else if (reduced < -180.0) {
        reduced += 360.0;
    }
    const double x = reduced * (3.14159265358979323846 / 180.0);
    double sineSum = 0.0, cosineSum = 0.0;
    double term = 1.0; // x^n / n!
    for (int n = 0; n < 40; ++n) {
        if (n > 0) {
            term = term * x / n;
        }
        switch (n % 4) {
        case 0:
            cosineSum += term;
            break;
        case 1:
            sineSum += term;
            break;
        case 2:
            cosineSum -= term;
            break;
        default:
            sineSum -= term;
            break;
        }
    }
    *sine = sineSum;
    *cosine = cosineSum;
}
