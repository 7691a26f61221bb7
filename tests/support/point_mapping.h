// A point mapped through a Matrix4 one operation at a time, and the inside test of a grid: the reference
// the tests hold the projections' own mapping against.
#ifndef POSALIGN_TESTS_SUPPORT_POINT_MAPPING_H
#define POSALIGN_TESTS_SUPPORT_POINT_MAPPING_H

#include "geometry/matrix4.h"
#include "projection/grid.h"

struct Vector4 {
    float x, y, z, w;
};

// m * v as a column vector, each product rounded and the four added in column order.
inline Vector4 transformPoint(const Matrix4& m, const Vector4& v) {
    const float* r = m.m;
    Vector4 result;
    result.x = ((r[0] * v.x + r[1] * v.y) + r[2] * v.z) + r[3] * v.w;
    result.y = ((r[4] * v.x + r[5] * v.y) + r[6] * v.z) + r[7] * v.w;
    result.z = ((r[8] * v.x + r[9] * v.y) + r[10] * v.z) + r[11] * v.w;
    result.w = ((r[12] * v.x + r[13] * v.y) + r[14] * v.z) + r[15] * v.w;
    return result;
}

// True when 0 <= index < size on every axis.
inline bool isInsideGrid(const GridIndex& index, const GridSize& size) {
    return index.x >= 0 && index.x < size.x && index.y >= 0 && index.y < size.y && index.z >= 0 &&
           index.z < size.z;
}

#endif
