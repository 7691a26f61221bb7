// Sampling volumes on world planes.
#include "host/alignment_report/world_plane.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const double kHeadMarginMm = 6;
const double kLargestSidePixels = 256;

// Trilinear interpolation at a fractional voxel index; NaN outside the volume's outer voxel edges.
float interpolate(const ScalarGrid& v, double i, double j, double k) {
    if (!(i >= -0.5 && j >= -0.5 && k >= -0.5 && i <= v.nx - 0.5 && j <= v.ny - 0.5 && k <= v.nz - 0.5)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    // Within half a voxel of the border the nearest border sample is used along that axis.
    i = std::clamp(i, 0.0, v.nx - 1.0);
    j = std::clamp(j, 0.0, v.ny - 1.0);
    k = std::clamp(k, 0.0, v.nz - 1.0);
    int i0 = std::min(static_cast<int>(i), v.nx - 1), j0 = std::min(static_cast<int>(j), v.ny - 1),
        k0 = std::min(static_cast<int>(k), v.nz - 1);
    int i1 = std::min(i0 + 1, v.nx - 1), j1 = std::min(j0 + 1, v.ny - 1), k1 = std::min(k0 + 1, v.nz - 1);
    double fi = i - i0, fj = j - j0, fk = k - k0;
    auto at = [&v](int a, int b, int c) {
        return static_cast<double>(
            v.values[a + static_cast<size_t>(v.nx) * (b + static_cast<size_t>(v.ny) * c)]);
    };
    double c00 = at(i0, j0, k0) * (1 - fi) + at(i1, j0, k0) * fi;
    double c10 = at(i0, j1, k0) * (1 - fi) + at(i1, j1, k0) * fi;
    double c01 = at(i0, j0, k1) * (1 - fi) + at(i1, j0, k1) * fi;
    double c11 = at(i0, j1, k1) * (1 - fi) + at(i1, j1, k1) * fi;
    double c0 = c00 * (1 - fj) + c10 * fj, c1 = c01 * (1 - fj) + c11 * fj;
    return static_cast<float>(c0 * (1 - fk) + c1 * fk);
}

} // namespace

WorldView subjectView(const ScalarGrid& anatomical) {
    WorldView view;
    Point3d fovMin, fovMax;
    worldBounds(anatomical, fovMin, fovMax);
    double sum = 0;
    size_t finite = 0;
    for (float s : anatomical.values) {
        if (std::isfinite(s)) {
            sum += s;
            ++finite;
        }
    }
    double threshold = finite > 0 ? sum / finite : 0;
    Point3d headMin, headMax, centreSum{0, 0, 0};
    headMin.fill(std::numeric_limits<double>::max());
    headMax.fill(std::numeric_limits<double>::lowest());
    size_t inHead = 0;
    const ScalarGrid& a = anatomical;
    for (int k = 0; k < a.nz; ++k) {
        for (int j = 0; j < a.ny; ++j) {
            const float* row = &a.values[static_cast<size_t>(a.nx) * (j + static_cast<size_t>(a.ny) * k)];
            for (int i = 0; i < a.nx; ++i) {
                if (!(row[i] > threshold)) {
                    continue;
                }
                Point3d p = transformPoint(a.voxelToWorld, {i, j, k});
                for (int axis = 0; axis < 3; ++axis) {
                    headMin[axis] = std::min(headMin[axis], p[axis]);
                    headMax[axis] = std::max(headMax[axis], p[axis]);
                    centreSum[axis] += p[axis];
                }
                ++inHead;
            }
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (inHead == 0) {
            view.minimum[axis] = fovMin[axis];
            view.maximum[axis] = fovMax[axis];
            view.centre[axis] = 0.5 * (fovMin[axis] + fovMax[axis]);
        } else {
            view.minimum[axis] = std::max(fovMin[axis], headMin[axis] - kHeadMarginMm);
            view.maximum[axis] = std::min(fovMax[axis], headMax[axis] + kHeadMarginMm);
            view.centre[axis] = centreSum[axis] / inHead;
        }
    }
    double largest = std::max({view.maximum[0] - view.minimum[0], view.maximum[1] - view.minimum[1],
                               view.maximum[2] - view.minimum[2]});
    view.mmPerPixel = largest > 0 ? largest / kLargestSidePixels : 1.0;
    return view;
}

void planeSize(const WorldView& view, PlaneKind kind, int& width, int& height) {
    int across = kind == PlaneKind::kSagittal ? 1 : 0;
    int up = kind == PlaneKind::kAxial ? 1 : 2;
    width = std::max(
        1, static_cast<int>(std::lround((view.maximum[across] - view.minimum[across]) / view.mmPerPixel)));
    height =
        std::max(1, static_cast<int>(std::lround((view.maximum[up] - view.minimum[up]) / view.mmPerPixel)));
}

Point3d planePixelToWorld(const WorldView& view, PlaneKind kind, double px, double py) {
    double s = view.mmPerPixel;
    Point3d p = view.centre;
    int across = kind == PlaneKind::kSagittal ? 1 : 0;
    int up = kind == PlaneKind::kAxial ? 1 : 2;
    p[across] = view.minimum[across] + (px + 0.5) * s;
    p[up] = view.maximum[up] - (py + 0.5) * s;
    return p;
}

PlanePicture samplePlane(const ScalarGrid& volume, const Matrix4d& voxelToWorld, const WorldView& view,
                         PlaneKind kind) {
    PlanePicture picture;
    planeSize(view, kind, picture.width, picture.height);
    picture.values.resize(static_cast<size_t>(picture.width) * picture.height);
    Matrix4d worldToVoxel = invertAffine(voxelToWorld);
    if (!isInvertibleAffine(voxelToWorld)) { // a singular affine places the volume nowhere
        picture.values.assign(picture.values.size(), std::numeric_limits<float>::quiet_NaN());
        return picture;
    }
    for (int py = 0; py < picture.height; ++py) {
        for (int px = 0; px < picture.width; ++px) {
            Point3d w = planePixelToWorld(view, kind, px, py);
            Point3d v = transformPoint(worldToVoxel, {w[0], w[1], w[2]});
            picture.values[static_cast<size_t>(py) * picture.width + px] =
                interpolate(volume, v[0], v[1], v[2]);
        }
    }
    return picture;
}

const char* planeKindName(PlaneKind kind) {
    return kind == PlaneKind::kAxial ? "AXIAL" : kind == PlaneKind::kCoronal ? "CORONAL" : "SAGITTAL";
}

void planeLetters(PlaneKind kind, const char* letters[4]) {
    static const char* const kLetters[3][4] = {
        {"L", "R", "A", "P"}, {"L", "R", "S", "I"}, {"P", "A", "S", "I"}};
    const char* const* chosen = kLetters[static_cast<int>(kind)];
    for (int i = 0; i < 4; ++i) {
        letters[i] = chosen[i];
    }
}
