// World planes: a marker shows at the same pixel whatever the storage order, the subject's view does not
// depend on storage, and the anatomy's edges move by a known shift.
#include <gtest/gtest.h>

#include <cmath>

#include "host/alignment_report/anatomy_edges.h"
#include "host/alignment_report/world_plane.h"

namespace {

// A grid whose voxel axes point along the given world directions (unit vectors times voxel sizes), with
// voxel `at` placed at world point p.
ScalarGrid gridWithVoxelAt(const int dims[3], const double axes[3][3], const int at[3],
                             const Point3d& p) {
    ScalarGrid v;
    v.nx = dims[0];
    v.ny = dims[1];
    v.nz = dims[2];
    v.values.assign(static_cast<size_t>(v.nx) * v.ny * v.nz, 0.0f);
    for (int row = 0; row < 3; ++row) {
        v.voxelToWorld[row][3] = p[row];
        for (int axis = 0; axis < 3; ++axis) {
            v.voxelToWorld[row][axis] = axes[axis][row];
            v.voxelToWorld[row][3] -= axes[axis][row] * at[axis];
        }
    }
    v.voxelToWorld[3][3] = 1;
    return v;
}

float& sampleAt(ScalarGrid& v, int i, int j, int k) {
    return v.values[i + static_cast<size_t>(v.nx) * (j + static_cast<size_t>(v.ny) * k)];
}

void brightestPixel(const PlanePicture& plane, int& px, int& py) {
    size_t best = 0;
    float bestValue = -1;
    for (size_t i = 0; i < plane.values.size(); ++i) {
        if (plane.values[i] > bestValue) { // false for NaN
            best = i;
            bestValue = plane.values[i];
        }
    }
    px = static_cast<int>(best % plane.width);
    py = static_cast<int>(best / plane.width);
}

struct StorageCase {
    const char* name;
    double axes[3][3]; // world direction times voxel size of voxel axes i, j, k
};

const double kC = std::cos(20 * M_PI / 180), kS = std::sin(20 * M_PI / 180);
const StorageCase kStorages[] = {
    {"RAS 2 mm", {{2, 0, 0}, {0, 2, 0}, {0, 0, 2}}},
    {"LAS 2 mm", {{-2, 0, 0}, {0, 2, 0}, {0, 0, 2}}},
    {"PIR 1.5 mm", {{0, -1.5, 0}, {0, 0, -1.5}, {1.5, 0, 0}}},
    {"LPI anisotropic", {{-2, 0, 0}, {0, -2, 0}, {0, 0, -3}}},
    {"oblique, 20 degrees about z", {{2 * kC, 2 * kS, 0}, {-2 * kS, 2 * kC, 0}, {0, 0, 2}}},
};

TEST(WorldPlane, MarkerAtAKnownWorldPointShowsAtTheSamePixelInEveryStorageOrder) {
    const int dims[3] = {41, 41, 41}, markerVoxel[3] = {14, 25, 20};
    const Point3d marker{10.5, -20.5, 5.5};
    WorldView view;
    view.minimum = {-50, -50, -50};
    view.maximum = {50, 50, 50};
    view.centre = marker;
    view.mmPerPixel = 1;
    // Pixel centres lie at whole millimetres + 0.5: the marker is the centre of one pixel in each plane.
    const int expected[3][2] = {{60, 70}, {60, 44}, {29, 44}}; // axial, coronal, sagittal
    for (const StorageCase& storage : kStorages) {
        ScalarGrid v = gridWithVoxelAt(dims, storage.axes, markerVoxel, marker);
        sampleAt(v, markerVoxel[0], markerVoxel[1], markerVoxel[2]) = 100;
        for (int p = 0; p < 3; ++p) {
            PlanePicture plane = samplePlane(v, v.voxelToWorld, view, kAllPlanes[p]);
            int px, py;
            brightestPixel(plane, px, py);
            EXPECT_EQ(px, expected[p][0]) << storage.name << ", " << planeKindName(kAllPlanes[p]);
            EXPECT_EQ(py, expected[p][1]) << storage.name << ", " << planeKindName(kAllPlanes[p]);
            EXPECT_NEAR(plane.values[static_cast<size_t>(py) * plane.width + px], 100, 1e-3) << storage.name;
        }
    }
}

// A head-like block, brighter on the subject's left and front, in the given storage.
ScalarGrid blockHead(const StorageCase& storage) {
    const int dims[3] = {41, 41, 41}, centreVoxel[3] = {20, 20, 20};
    ScalarGrid v = gridWithVoxelAt(dims, storage.axes, centreVoxel, Point3d{3, -4, 6});
    for (int k = 0; k < 41; ++k) {
        for (int j = 0; j < 41; ++j) {
            for (int i = 0; i < 41; ++i) {
                Point3d w = transformPoint(v.voxelToWorld, {i, j, k});
                bool inside =
                    std::fabs(w[0] - 3) < 20 && std::fabs(w[1] + 4) < 24 && std::fabs(w[2] - 6) < 16;
                sampleAt(v, i, j, k) = inside ? 100 : 0;
            }
        }
    }
    return v;
}

TEST(WorldPlane, SubjectViewDependsOnTheHeadNotOnItsStorage) {
    WorldView reference = subjectView(blockHead(kStorages[0]));
    EXPECT_NEAR(reference.centre[0], 3, 1.1);
    EXPECT_NEAR(reference.centre[1], -4, 1.1);
    EXPECT_NEAR(reference.centre[2], 6, 1.1);
    for (const StorageCase& storage : kStorages) {
        WorldView view = subjectView(blockHead(storage));
        for (int axis = 0; axis < 3; ++axis) {
            // Grids of different voxel sizes sample the block's border differently, by up to a voxel.
            EXPECT_NEAR(view.centre[axis], reference.centre[axis], 1.6) << storage.name << ", axis " << axis;
            EXPECT_NEAR(view.minimum[axis], reference.minimum[axis], 3.1)
                << storage.name << ", axis " << axis;
            EXPECT_NEAR(view.maximum[axis], reference.maximum[axis], 3.1)
                << storage.name << ", axis " << axis;
        }
    }
}

// Mean column (or row) of the edge pixels on one row (or column) of a plane, left half only (or top half).
double firstEdgeAlong(const std::vector<uint8_t>& edges, const PlanePicture& plane, bool alongRow, int line) {
    int n = alongRow ? plane.width : plane.height;
    for (int t = 0; t < n; ++t) {
        size_t i = alongRow ? static_cast<size_t>(line) * plane.width + t
                            : static_cast<size_t>(t) * plane.width + line;
        if (edges[i] != 0) {
            return t;
        }
    }
    return -1;
}

TEST(AnatomyEdges, EdgesOfAShiftedAnatomyMoveByTheShiftInPixels) {
    WorldView view;
    view.minimum = {-40, -40, -40};
    view.maximum = {40, 40, 40};
    view.centre = {0, 0, 0};
    view.mmPerPixel = 0.5;
    struct ShiftCase {
        int worldAxis;
        double shiftMm;
        PlaneKind plane;
        bool alongRow;      // the edge is found walking along a row (x in the picture), else down a column
        double pixelsPerMm; // picture direction: +2 px per mm across, -2 px per mm up
    };
    const ShiftCase cases[] = {
        {0, 4, PlaneKind::kAxial, true, 2},     {0, -7, PlaneKind::kCoronal, true, 2},
        {1, 5, PlaneKind::kAxial, false, -2},   {1, 3, PlaneKind::kSagittal, true, 2},
        {2, 6, PlaneKind::kCoronal, false, -2}, {2, -2.5, PlaneKind::kSagittal, false, -2},
    };
    const double ras[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const int dims[3] = {61, 61, 61}, centreVoxel[3] = {30, 30, 30};
    for (const ShiftCase& c : cases) {
        ScalarGrid anatomy = gridWithVoxelAt(dims, ras, centreVoxel, Point3d{0, 0, 0});
        for (int k = 10; k <= 50; ++k) {
            for (int j = 10; j <= 50; ++j) {
                for (int i = 10; i <= 50; ++i) {
                    sampleAt(anatomy, i, j, k) = 200;
                }
            }
        }
        Matrix4d shifted = anatomy.voxelToWorld;
        shifted[c.worldAxis][3] += c.shiftMm;
        PlanePicture before = samplePlane(anatomy, anatomy.voxelToWorld, view, c.plane);
        PlanePicture after = samplePlane(anatomy, shifted, view, c.plane);
        int line = 80; // the middle row or column
        double edgeBefore = firstEdgeAlong(anatomyEdges(before), before, c.alongRow, line);
        double edgeAfter = firstEdgeAlong(anatomyEdges(after), after, c.alongRow, line);
        ASSERT_GE(edgeBefore, 0);
        EXPECT_NEAR(edgeAfter - edgeBefore, c.shiftMm * c.pixelsPerMm, 1.0)
            << "shift " << c.shiftMm << " mm along world axis " << c.worldAxis << " in "
            << planeKindName(c.plane);
    }
}

} // namespace

namespace {

// The letter of the world direction a picture direction points to: R, A or S for +x, +y, +z, else L, P, I.
std::string letterOf(const Point3d& from, const Point3d& to) {
    for (int axis = 0; axis < 3; ++axis) {
        double d = to[axis] - from[axis];
        if (std::fabs(d) > 1e-9) {
            return std::string(1, (d > 0 ? "RAS" : "LPI")[axis]);
        }
    }
    return "?";
}

TEST(WorldPlane, LettersNameTheWorldDirectionAtEachEdgeOfEachPlane) {
    WorldView view;
    view.minimum = {-10, -20, -30};
    view.maximum = {10, 20, 30};
    for (PlaneKind kind : kAllPlanes) {
        const char* letters[4];
        planeLetters(kind, letters);
        Point3d middle = planePixelToWorld(view, kind, 5, 5);
        EXPECT_EQ(letters[0], letterOf(middle, planePixelToWorld(view, kind, 4, 5))) << planeKindName(kind);
        EXPECT_EQ(letters[1], letterOf(middle, planePixelToWorld(view, kind, 6, 5))) << planeKindName(kind);
        EXPECT_EQ(letters[2], letterOf(middle, planePixelToWorld(view, kind, 5, 4))) << planeKindName(kind);
        EXPECT_EQ(letters[3], letterOf(middle, planePixelToWorld(view, kind, 5, 6))) << planeKindName(kind);
    }
}

} // namespace

// A run with a NaN sample in one of its volumes: the report pictures the same mean the check measures
// (the finite samples' mean), not a hole where any volume had no data.
TEST(RunPictures, AVoxelWithANaNSampleInOneVolumeShowsTheMeanOfItsFiniteSamples) {
    NiftiImage run;
    run.nx = run.ny = run.nz = 5;
    run.nt = 3;
    for (int i = 0; i < 4; ++i) {
        run.voxelToWorld[5 * i] = i < 3 ? 2.0 : 1.0;
    }
    const size_t perVolume = 125, centre = 2 + 5 * (2 + 5 * 2);
    for (int t = 0; t < run.nt; ++t) {
        for (size_t i = 0; i < perVolume; ++i) {
            run.floatSamples.push_back(i == centre ? 100.0f + 10 * t : 1.0f);
        }
    }
    run.floatSamples[perVolume + centre] = NAN; // the second volume has no sample at the centre
    const ScalarGrid mean = temporalMean(run);
    const WorldView view = subjectView(mean);
    const PlanePicture axial = samplePlane(mean, mean.voxelToWorld, view, PlaneKind::kAxial);
    int px = 0, py = 0;
    brightestPixel(axial, px, py);
    // Pixels near the centre blend its mean (100 + 120) / 2 with the background of 1; a hole would leave
    // only background.
    const float brightest = axial.values[static_cast<size_t>(py) * axial.width + px];
    EXPECT_GT(brightest, 50.0f);
    EXPECT_LE(brightest, 110.0f);
}
