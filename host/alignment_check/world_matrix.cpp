// Affine matrix arithmetic in double precision for the alignment check.
#include "host/alignment_check/world_matrix.h"

#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

double radians(double degrees) {
    return degrees * kPi / 180.0;
}
double degrees(double radians) {
    return radians * 180.0 / kPi;
}

} // namespace

Matrix4d identityMatrix() {
    Matrix4d m{};
    for (int i = 0; i < 4; ++i) {
        m[i][i] = 1.0;
    }
    return m;
}

Matrix4d matrixFromRowMajor(const std::array<double, 16>& values) {
    Matrix4d m{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = values[4 * i + j];
        }
    }
    return m;
}

Matrix4d multiply(const Matrix4d& a, const Matrix4d& b) {
    Matrix4d m{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += a[i][k] * b[k][j];
            }
            m[i][j] = sum;
        }
    }
    return m;
}

namespace {

double determinant3(const Matrix4d& m) {
    const double a = m[0][0], b = m[0][1], c = m[0][2];
    const double d = m[1][0], e = m[1][1], f = m[1][2];
    const double g = m[2][0], h = m[2][1], k = m[2][2];
    return a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
}

} // namespace

bool isInvertibleAffine(const Matrix4d& m) {
    const double det = determinant3(m);
    return std::isfinite(det) && std::fabs(det) >= 1e-12;
}

Matrix4d invertAffine(const Matrix4d& m) {
    Matrix4d r = identityMatrix();
    if (!isInvertibleAffine(m)) {
        for (auto& row : r) {
            row.fill(NAN);
        }
        return r;
    }
    const double a = m[0][0], b = m[0][1], c = m[0][2];
    const double d = m[1][0], e = m[1][1], f = m[1][2];
    const double g = m[2][0], h = m[2][1], k = m[2][2];
    const double det = determinant3(m);
    r[0][0] = (e * k - f * h) / det;
    r[0][1] = (c * h - b * k) / det;
    r[0][2] = (b * f - c * e) / det;
    r[1][0] = (f * g - d * k) / det;
    r[1][1] = (a * k - c * g) / det;
    r[1][2] = (c * d - a * f) / det;
    r[2][0] = (d * h - e * g) / det;
    r[2][1] = (b * g - a * h) / det;
    r[2][2] = (a * e - b * d) / det;
    for (int i = 0; i < 3; ++i) {
        r[i][3] = -(r[i][0] * m[0][3] + r[i][1] * m[1][3] + r[i][2] * m[2][3]);
    }
    return r;
}

Point3d transformPoint(const Matrix4d& m, const Point3d& p) {
    Point3d q;
    for (int i = 0; i < 3; ++i) {
        q[i] = m[i][0] * p[0] + m[i][1] * p[1] + m[i][2] * p[2] + m[i][3];
    }
    return q;
}

double distance(const Point3d& a, const Point3d& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

Matrix4d rigidMotion(const RigidParameters& parameters, const Point3d& centre) {
    double s[3], c[3];
    for (int axis = 0; axis < 3; ++axis) {
        s[axis] = std::sin(radians(parameters.rotationDeg[axis]));
        c[axis] = std::cos(radians(parameters.rotationDeg[axis]));
    }
    Matrix4d rx = identityMatrix(), ry = identityMatrix(), rz = identityMatrix();
    rx[1][1] = c[0];
    rx[1][2] = -s[0];
    rx[2][1] = s[0];
    rx[2][2] = c[0];
    ry[0][0] = c[1];
    ry[0][2] = s[1];
    ry[2][0] = -s[1];
    ry[2][2] = c[1];
    rz[0][0] = c[2];
    rz[0][1] = -s[2];
    rz[1][0] = s[2];
    rz[1][1] = c[2];
    Matrix4d m = multiply(rz, multiply(ry, rx));
    for (int i = 0; i < 3; ++i) {
        m[i][3] = centre[i] + parameters.translationMm[i] -
                  (m[i][0] * centre[0] + m[i][1] * centre[1] + m[i][2] * centre[2]);
    }
    return m;
}

std::array<double, 3> rotationAnglesDeg(const Matrix4d& rigid) {
    // R = Rz*Ry*Rx: R[2][0] = -sin(y), R[2][1] = cos(y) sin(x), R[1][0] = sin(z) cos(y).
    const double y = std::asin(std::clamp(-rigid[2][0], -1.0, 1.0));
    const double x = std::atan2(rigid[2][1], rigid[2][2]);
    const double z = std::atan2(rigid[1][0], rigid[0][0]);
    return {degrees(x), degrees(y), degrees(z)};
}

double rotationAngleDeg(const Matrix4d& rigid) {
    const double trace = rigid[0][0] + rigid[1][1] + rigid[2][2];
    return degrees(std::acos(std::clamp((trace - 1.0) * 0.5, -1.0, 1.0)));
}

Matrix4d mirrorX(double centreX) {
    Matrix4d m = identityMatrix();
    m[0][0] = -1.0;
    m[0][3] = 2.0 * centreX;
    return m;
}
