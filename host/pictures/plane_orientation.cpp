// Naming a grid plane by the scanner axis closest to its normal.
#include "host/pictures/plane_orientation.h"

#include <cmath>

const char* planeOrientationName(const double m[16], int uAxis, int vAxis) {
    double u[3] = {m[uAxis], m[4 + uAxis], m[8 + uAxis]};
    double v[3] = {m[vAxis], m[4 + vAxis], m[8 + vAxis]};
    double normal[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (!(length > 0) || !std::isfinite(length)) {
        return "";
    }
    int closest = 0;
    for (int axis = 1; axis < 3; ++axis) {
        if (std::fabs(normal[axis]) > std::fabs(normal[closest])) {
            closest = axis;
        }
    }
    if (std::fabs(normal[closest]) < 0.8 * length) {
        return "OBLIQUE";
    }
    static const char* const kNames[3] = {"SAGITTAL", "CORONAL", "AXIAL"};
    return kNames[closest];
}
