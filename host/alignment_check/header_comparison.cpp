// Header comparison of the alignment check.
#include "host/alignment_check/header_comparison.h"

#include "host/nifti/nifti_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The grid's axis directions (unit columns, made orthonormal).
std::array<Point3d, 3> axisDirections(const Matrix4d& m) {
    std::array<Point3d, 3> axes;
    for (int j = 0; j < 3; ++j) {
        Point3d v{m[0][j], m[1][j], m[2][j]};
        for (int k = 0; k < j; ++k) {
            const double dot = v[0] * axes[k][0] + v[1] * axes[k][1] + v[2] * axes[k][2];
            for (int i = 0; i < 3; ++i) {
                v[i] -= dot * axes[k][i];
            }
        }
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; ++i) {
            axes[j][i] = length > 0.0 ? v[i] / length : (i == j ? 1.0 : 0.0);
        }
    }
    return axes;
}

double determinant3(const Matrix4d& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

Matrix4d qformMatrix(const NiftiGeometry& g) {
    float q[3][4];
    qformRows(g, q);
    Matrix4d m = identityMatrix();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = q[i][j];
        }
    }
    return m;
}

Matrix4d sformMatrix(const NiftiGeometry& g) {
    Matrix4d m = identityMatrix();
    for (int j = 0; j < 4; ++j) {
        m[0][j] = g.srowX[j];
        m[1][j] = g.srowY[j];
        m[2][j] = g.srowZ[j];
    }
    return m;
}

} // namespace

double gridRotationDeg(const Matrix4d& a, const Matrix4d& b) {
    const std::array<Point3d, 3> u = axisDirections(a), v = axisDirections(b);
    // c[i][j]: cosine between axis i of a and axis j of b. Pairing a's axis i with b's axis perm[i] in
    // direction sign[i] gives the rotation R = sum sign u v^T, whose trace is sum sign[i] * c[i][perm[i]].
    double c[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            c[i][j] = u[i][0] * v[j][0] + u[i][1] * v[j][1] + u[i][2] * v[j][2];
        }
    }
    const bool sameHandedness = (determinant3(a) > 0) == (determinant3(b) > 0);
    int perm[3] = {0, 1, 2};
    double bestTrace = -3.0;
    do {
        const int permutationParity = (perm[0] > perm[1]) + (perm[0] > perm[2]) + (perm[1] > perm[2]);
        for (int signs = 0; signs < 8; ++signs) {
            int negatives = 0;
            double trace = 0.0;
            for (int i = 0; i < 3; ++i) {
                const bool negative = ((signs >> i) & 1) != 0;
                negatives += negative;
                trace += (negative ? -1.0 : 1.0) * c[i][perm[i]];
            }
            // Only pairings that are proper rotations between the two (orthonormalised) frames count.
            const bool flipsHandedness = ((permutationParity + negatives) % 2) == 1;
            if (flipsHandedness == sameHandedness) {
                continue;
            }
            bestTrace = std::max(bestTrace, trace);
        }
    } while (std::next_permutation(perm, perm + 3));
    return std::acos(std::clamp((bestTrace - 1.0) * 0.5, -1.0, 1.0)) * 180.0 / 3.14159265358979323846;
}

std::optional<double> qformSformDisagreementMm(const NiftiImage& image) {
    if (image.geometry.qformCode <= 0 || image.geometry.sformCode <= 0) {
        return std::nullopt;
    }
    const Matrix4d q = qformMatrix(image.geometry), s = sformMatrix(image.geometry);
    double largest = 0.0;
    for (int corner = 0; corner < 8; ++corner) {
        const Point3d p{(corner & 1) ? image.nx - 1.0 : 0.0, (corner & 2) ? image.ny - 1.0 : 0.0,
                        (corner & 4) ? image.nz - 1.0 : 0.0};
        largest = std::max(largest, distance(transformPoint(q, p), transformPoint(s, p)));
    }
    return largest;
}

HeaderComparison compareHeaders(const NiftiImage& anatomical, const NiftiImage& functional) {
    HeaderComparison header;
    const Matrix4d a = matrixFromRowMajor(anatomical.voxelToWorld);
    const Matrix4d f = matrixFromRowMajor(functional.voxelToWorld);
    auto centre = [](const Matrix4d& m, const NiftiImage& image) {
        return transformPoint(m, {(image.nx - 1) * 0.5, (image.ny - 1) * 0.5, (image.nz - 1) * 0.5});
    };
    header.centreDistanceMm = distance(centre(a, anatomical), centre(f, functional));
    header.rotationDeg = gridRotationDeg(a, f);
    header.handednessMatches = (determinant3(a) > 0) == (determinant3(f) > 0);
    header.anatomicalQformSformMm = qformSformDisagreementMm(anatomical);
    header.functionalQformSformMm = qformSformDisagreementMm(functional);

    // A functional voxel is inside when its centre falls within the anatomical's nearest-voxel cells.
    const Matrix4d toAnatomical = multiply(invertAffine(a), f);
    long long inside = 0;
    for (int z = 0; z < functional.nz; ++z) {
        for (int y = 0; y < functional.ny; ++y) {
            for (int x = 0; x < functional.nx; ++x) {
                const Point3d p = transformPoint(toAnatomical, {double(x), double(y), double(z)});
                inside += p[0] >= -0.5 && p[0] < anatomical.nx - 0.5 && p[1] >= -0.5 &&
                          p[1] < anatomical.ny - 0.5 && p[2] >= -0.5 && p[2] < anatomical.nz - 0.5;
            }
        }
    }
    const double total = static_cast<double>(functional.nx) * functional.ny * functional.nz;
    header.overlapVoxels = inside;
    header.insidePct = total > 0 ? 100.0 * static_cast<double>(inside) / total : 0.0;
    return header;
}
