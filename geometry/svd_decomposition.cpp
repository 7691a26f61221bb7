// The single-precision Golub-Reinsch singular value decomposition and the pseudo-inverse it gives.
//
// The decomposition is the classic Householder bidiagonalisation followed by implicit-shift QR with Givens
// rotations, with 0-based indices and a failure result instead of an abort. Its arithmetic is kept in
// float and in the order written below: the inverse that the projections use must come out the same on
// every platform, so no step may be reassociated or fused.
#include "geometry/svd_decomposition.h"

#include <math.h>
#include <stdlib.h>

namespace {

const int kMaximumPasses = 30;

// True when q is too small to change the norm estimate; a NaN sum is never negligible.
inline bool isNegligible(float q, float normEstimate) {
    float sum = fabsf(q) + normEstimate;
    return sum == normEstimate;
}

} // namespace

float hypotenuse(float a, float b) {
    float p = fabsf(a);
    float q = fabsf(b);
    if (p > q) {
        float ratio = q / p;
        return p * sqrtf(1.0f + ratio * ratio);
    }
    if (q == 0.0f) {
        return 0.0f;
    }
    float ratio = p / q;
    return q * sqrtf(1.0f + ratio * ratio);
}

float sign(float x, float y) {
    return y >= 0.0f ? fabsf(x) : -fabsf(x);
}

FloatMatrix allocateFloatMatrix(int rows, int cols) {
    if (rows < 0 || cols < 0) {
        return 0;
    }
    FloatMatrix matrix = static_cast<FloatMatrix>(malloc(sizeof(float*) * (rows > 0 ? rows : 1)));
    if (matrix == 0) {
        return 0;
    }
    for (int i = 0; i < rows; ++i) {
        matrix[i] = static_cast<float*>(malloc(sizeof(float) * (cols > 0 ? cols : 1)));
        if (matrix[i] == 0) {
            releaseFloatMatrix(matrix, i);
            return 0;
        }
    }
    return matrix;
}

void releaseFloatMatrix(FloatMatrix matrix, int rows) {
    if (matrix == 0) {
        return;
    }
    for (int i = 0; i < rows; ++i) {
        free(matrix[i]);
    }
    free(matrix);
}

bool decomposeSvd(int m, int n, FloatMatrix a, float* w, FloatMatrix v) {
    float* e = static_cast<float*>(malloc(sizeof(float) * (n > 0 ? n : 1)));
    if (e == 0) {
        return false;
    }
    float f, g = 0.0f, h, s, t, scale = 0.0f, normEstimate = 0.0f;
    float cs, sn, x, y, z;
    int l = 0, nm = 0;

    // Householder reduction to upper-bidiagonal form: w holds the diagonal, e the superdiagonal.
    for (int i = 0; i < n; ++i) {
        l = i + 1;
        e[i] = scale * g;
        g = s = scale = 0.0f;
        if (i < m) {
            for (int k = i; k < m; ++k) {
                scale = scale + fabsf(a[k][i]);
            }
            if (scale != 0.0f) {
                for (int k = i; k < m; ++k) {
                    a[k][i] = a[k][i] / scale;
                    s = s + a[k][i] * a[k][i];
                }
                f = a[i][i];
                g = -sign(sqrtf(s), f);
                h = f * g - s;
                a[i][i] = f - g;
                for (int j = l; j < n; ++j) {
                    t = 0.0f;
                    for (int k = i; k < m; ++k) {
                        t = t + a[k][i] * a[k][j];
                    }
                    f = t / h;
                    for (int k = i; k < m; ++k) {
                        a[k][j] = a[k][j] + f * a[k][i];
                    }
                }
                for (int k = i; k < m; ++k) {
                    a[k][i] = a[k][i] * scale;
                }
            }
        }
        w[i] = scale * g;
        g = s = scale = 0.0f;
        if (i < m && i != n - 1) {
            for (int k = l; k < n; ++k) {
                scale = scale + fabsf(a[i][k]);
            }
            if (scale != 0.0f) {
                for (int k = l; k < n; ++k) {
                    a[i][k] = a[i][k] / scale;
                    s = s + a[i][k] * a[i][k];
                }
                f = a[i][l];
                g = -sign(sqrtf(s), f);
                h = f * g - s;
                a[i][l] = f - g;
                for (int k = l; k < n; ++k) {
                    e[k] = a[i][k] / h;
                }
                for (int j = l; j < m; ++j) {
                    t = 0.0f;
                    for (int k = l; k < n; ++k) {
                        t = t + a[j][k] * a[i][k];
                    }
                    for (int k = l; k < n; ++k) {
                        a[j][k] = a[j][k] + t * e[k];
                    }
                }
                for (int k = l; k < n; ++k) {
                    a[i][k] = a[i][k] * scale;
                }
            }
        }
        float sum = fabsf(w[i]) + fabsf(e[i]);
        if (sum > normEstimate) {
            normEstimate = sum;
        }
    }

    // Accumulation of the right-hand transformations into V.
    for (int i = n - 1; i >= 0; --i) {
        if (i < n - 1) {
            if (g != 0.0f) {
                for (int j = l; j < n; ++j) {
                    v[j][i] = (a[i][j] / a[i][l]) / g;
                }
                for (int j = l; j < n; ++j) {
                    t = 0.0f;
                    for (int k = l; k < n; ++k) {
                        t = t + a[i][k] * v[k][j];
                    }
                    for (int k = l; k < n; ++k) {
                        v[k][j] = v[k][j] + t * v[k][i];
                    }
                }
            }
            for (int j = l; j < n; ++j) {
                v[i][j] = 0.0f;
                v[j][i] = 0.0f;
            }
        }
        v[i][i] = 1.0f;
        g = e[i];
        l = i;
    }

    // Accumulation of the left-hand transformations: a becomes U.
    for (int i = (m < n ? m : n) - 1; i >= 0; --i) {
        l = i + 1;
        g = w[i];
        for (int j = l; j < n; ++j) {
            a[i][j] = 0.0f;
        }
        if (g != 0.0f) {
            g = 1.0f / g;
            for (int j = l; j < n; ++j) {
                t = 0.0f;
                for (int k = l; k < m; ++k) {
                    t = t + a[k][i] * a[k][j];
                }
                f = (t / a[i][i]) * g;
                for (int k = i; k < m; ++k) {
                    a[k][j] = a[k][j] + f * a[k][i];
                }
            }
            for (int j = i; j < m; ++j) {
                a[j][i] = a[j][i] * g;
            }
        } else {
            for (int j = i; j < m; ++j) {
                a[j][i] = 0.0f;
            }
        }
        a[i][i] = a[i][i] + 1.0f;
    }

    // Diagonalisation of the bidiagonal form, one singular value at a time from the last.
    for (int k = n - 1; k >= 0; --k) {
        for (int pass = 0;; ++pass) {
            // Split test. e[0] is always exactly 0 here, so the scan stops at l = 0 at the latest and
            // w[-1] is never read.
            bool cancel = true;
            for (l = k; l >= 0; --l) {
                nm = l - 1;
                if (l == 0 || isNegligible(e[l], normEstimate)) {
                    cancel = false;
                    break;
                }
                if (isNegligible(w[nm], normEstimate)) {
                    break;
                }
            }
            if (cancel) {
                // w[l-1] is negligible: chase e[l] out of the matrix.
                cs = 0.0f;
                sn = 1.0f;
                for (int i = l; i <= k; ++i) {
                    f = sn * e[i];
                    e[i] = cs * e[i];
                    if (isNegligible(f, normEstimate)) {
                        break;
                    }
                    g = w[i];
                    h = hypotenuse(f, g);
                    w[i] = h;
                    h = 1.0f / h;
                    cs = g * h;
                    sn = -(f * h);
                    for (int j = 0; j < m; ++j) {
                        y = a[j][nm];
                        z = a[j][i];
                        a[j][nm] = y * cs + z * sn;
                        a[j][i] = z * cs - y * sn;
                    }
                }
            }
            z = w[k];
            if (l == k) {
                // Converged: make the singular value non-negative.
                if (z < 0.0f) {
                    w[k] = -z;
                    for (int j = 0; j < n; ++j) {
                        v[j][k] = -v[j][k];
                    }
                }
                break;
            }
            if (pass == kMaximumPasses - 1) {
                free(e);
                return false;
            }
            // Shift from the trailing 2 x 2 minor.
            x = w[l];
            nm = k - 1;
            y = w[nm];
            g = e[nm];
            h = e[k];
            f = ((y - z) * (y + z) + (g - h) * (g + h)) / ((h * 2.0f) * y);
            g = hypotenuse(f, 1.0f);
            f = ((x - z) * (x + z) + h * ((y / (f + sign(g, f))) - h)) / x;
            // QR sweep.
            cs = sn = 1.0f;
            for (int j = l; j <= nm; ++j) {
                int i = j + 1;
                g = e[i];
                y = w[i];
                h = sn * g;
                g = cs * g;
                z = hypotenuse(f, h);
                e[j] = z;
                cs = f / z;
                sn = h / z;
                f = x * cs + g * sn;
                g = g * cs - x * sn;
                h = y * sn;
                y = y * cs;
                for (int r = 0; r < n; ++r) {
                    float p = v[r][j];
                    float q = v[r][i];
                    v[r][j] = p * cs + q * sn;
                    v[r][i] = q * cs - p * sn;
                }
                z = hypotenuse(f, h);
                w[j] = z;
                if (z != 0.0f) {
                    z = 1.0f / z;
                    cs = f * z;
                    sn = h * z;
                }
                f = cs * g + sn * y;
                x = cs * y - sn * g;
                for (int r = 0; r < m; ++r) {
                    float p = a[r][j];
                    float q = a[r][i];
                    a[r][j] = p * cs + q * sn;
                    a[r][i] = q * cs - p * sn;
                }
            }
            e[l] = 0.0f;
            e[k] = f;
            w[k] = x;
        }
    }
    free(e);
    return true;
}

bool invertBySvd(FloatMatrix a, FloatMatrix out, int n) {
    float* w = static_cast<float*>(malloc(sizeof(float) * (n > 0 ? n : 1)));
    FloatMatrix v = allocateFloatMatrix(n, n);
    bool decomposed = w != 0 && v != 0 && decomposeSvd(n, n, a, w, v);
    if (decomposed) {
        // out = V * diag(1/w) * U^T; only exactly-zero singular values are dropped (a NaN is kept).
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                out[i][j] = 0.0f;
                for (int k = 0; k < n; ++k) {
                    if (w[k] != 0.0f) {
                        out[i][j] = out[i][j] + (a[j][k] * v[i][k]) / w[k];
                    }
                }
            }
        }
    }
    free(w);
    releaseFloatMatrix(v, n);
    return decomposed;
}
