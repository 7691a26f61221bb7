// 4x4 affine matrices in world millimetres (the Matrix4d of alignment_result.h: row-major, column vectors,
// in a product A * B the right factor B acts first) and the rigid motions the alignment check searches.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_WORLD_MATRIX_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_WORLD_MATRIX_H

#include <array>

#include "host/alignment_check/alignment_result.h"

using Point3d = std::array<double, 3>;

// The identity matrix.
Matrix4d identityMatrix();

// The matrix of 16 row-major values (as NiftiImage::voxelToWorld holds them).
Matrix4d matrixFromRowMajor(const std::array<double, 16>& values);

// a * b: b acts first.
Matrix4d multiply(const Matrix4d& a, const Matrix4d& b);

// True when the 3x3 part of m is finite and invertible (its determinant is not within 1e-12 of 0).
bool isInvertibleAffine(const Matrix4d& m);

// The inverse of an affine matrix (last row 0 0 0 1); every element NaN when it is not invertible, so that
// the inverse places nothing anywhere.
Matrix4d invertAffine(const Matrix4d& m);

// m applied to point p.
Point3d transformPoint(const Matrix4d& m, const Point3d& p);

// Distance between two points.
double distance(const Point3d& a, const Point3d& b);

// Six rigid parameters: a rotation about x, then y, then z (degrees) about a centre, then a translation.
struct RigidParameters {
    std::array<double, 3> translationMm{};
    std::array<double, 3> rotationDeg{};
};

// The rigid matrix p -> Rz*Ry*Rx*(p - centre) + centre + translation.
Matrix4d rigidMotion(const RigidParameters& parameters, const Point3d& centre);

// The angles about x, y, z (degrees, in rigidMotion's convention) of the rotation part of a rigid matrix.
std::array<double, 3> rotationAnglesDeg(const Matrix4d& rigid);

// The angle (degrees, 0..180) of the rotation part of a rigid matrix.
double rotationAngleDeg(const Matrix4d& rigid);

// The mirror of world x about the plane x = centreX.
Matrix4d mirrorX(double centreX);

#endif
