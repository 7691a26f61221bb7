// The anatomy's main regions on a head of nested ellipsoids (scalp, skull, fluid, grey, white, two lateral
// ventricles) in a T1 and a T2 contrast and in two storage orders, and their outlines on a plane.
#include <gtest/gtest.h>

#include <cmath>

#include "host/alignment_report/anatomy_regions.h"

namespace {

enum Tissue { kBackground, kScalp, kSkull, kFluid, kGrey, kWhite };

// Inside the ellipsoid of the given radii (mm) about centre?
bool within(const Point3d& p, const Point3d& centre, const Point3d& radii) {
    double sum = 0;
    for (int a = 0; a < 3; ++a) {
        const double u = (p[a] - centre[a]) / radii[a];
        sum += u * u;
    }
    return sum <= 1.0;
}

const Point3d kBrainRadii{67, 87, 72}, kWhiteRadii{55, 75, 60};
const Point3d kVentricleRadii{6, 22, 8};
const Point3d kVentricles[2] = {{-13, 0, 10}, {13, 0, 10}};

Tissue tissueAt(const Point3d& p) {
    const Point3d origin{0, 0, 0};
    if (!within(p, origin, {80, 100, 85})) {
        return kBackground;
    }
    if (!within(p, origin, {75, 95, 80})) {
        return kScalp;
    }
    if (!within(p, origin, {70, 90, 75})) {
        return kSkull;
    }
    if (!within(p, origin, kBrainRadii)) {
        return kFluid;
    }
    if (within(p, kVentricles[0], kVentricleRadii) || within(p, kVentricles[1], kVentricleRadii)) {
        return kFluid;
    }
    return within(p, origin, kWhiteRadii) ? kWhite : kGrey;
}

// A head of 1.5 mm voxels, x stored left to right or (mirroredStorage) right to left, with a little
// deterministic noise.
ScalarGrid head(const float (&intensity)[6], bool mirroredStorage) {
    ScalarGrid v;
    v.nx = 120, v.ny = 140, v.nz = 120;
    const double sx = mirroredStorage ? -1.5 : 1.5;
    v.voxelToWorld = {
        {{sx, 0, 0, -sx * 59.5}, {0, 1.5, 0, -1.5 * 69.5}, {0, 0, 1.5, -1.5 * 59.5}, {0, 0, 0, 1}}};
    uint32_t state = 12345;
    for (int k = 0; k < v.nz; ++k) {
        for (int j = 0; j < v.ny; ++j) {
            for (int i = 0; i < v.nx; ++i) {
                state = state * 1664525u + 1013904223u;
                const float noise = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
                v.values.push_back(intensity[tissueAt(transformPoint(v.voxelToWorld, {i, j, k}))] +
                                   8 * noise);
            }
        }
    }
    return v;
}

// The mask's value at a world point (nearest voxel).
float maskAt(const ScalarGrid& mask, const Point3d& p) {
    const Point3d v = transformPoint(invertAffine(mask.voxelToWorld), {p[0], p[1], p[2]});
    const long i = std::lround(v[0]), j = std::lround(v[1]), k = std::lround(v[2]);
    return mask.values[i + mask.nx * (j + static_cast<long>(mask.ny) * k)];
}

struct HeadCase {
    const char* name;
    float intensity[6]; // background, scalp, skull, fluid, grey, white
    bool mirroredStorage;
    Point3d outlineRadii; // the brain's, or (bright fluid) that of the fluid around it
};

class AnatomyRegionsTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(AnatomyRegionsTest, FindsBrainVentriclesAndWhiteMatter) {
    const AnatomyRegions regions = findAnatomyRegions(head(GetParam().intensity, GetParam().mirroredStorage));
    ASSERT_TRUE(regions.found);
    double brainMl = 0;
    for (float s : regions.brain.values) {
        brainMl += s;
    }
    const Matrix4d& a = regions.brain.voxelToWorld;
    brainMl *= std::fabs(a[0][0] * a[1][1] * a[2][2]) / 1000.0;
    const Point3d& r = GetParam().outlineRadii;
    const double trueMl = 4.0 / 3.0 * M_PI * r[0] * r[1] * r[2] / 1000.0;
    EXPECT_NEAR(brainMl, trueMl, 0.1 * trueMl); // ventricles included
    for (const Point3d& ventricle : kVentricles) {
        EXPECT_EQ(maskAt(regions.ventricles, ventricle), 1);
        EXPECT_EQ(maskAt(regions.brain, ventricle), 1);
        EXPECT_EQ(maskAt(regions.whiteMatter, ventricle), 0);
    }
    const Point3d white{35, 0, 0}, grey{0, 0, 66}, fluid{0, 0, 73.5}, scalp{0, 0, 82};
    EXPECT_EQ(maskAt(regions.whiteMatter, white), 1);
    EXPECT_EQ(maskAt(regions.ventricles, white), 0);
    EXPECT_EQ(maskAt(regions.brain, grey), 1);
    EXPECT_EQ(maskAt(regions.whiteMatter, grey), 0);
    EXPECT_EQ(maskAt(regions.brain, fluid), r[2] > 73.5);
    EXPECT_EQ(maskAt(regions.brain, scalp), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Contrasts, AnatomyRegionsTest,
    ::testing::Values(HeadCase{"T1", {0, 140, 15, 40, 110, 170}, false, kBrainRadii},
                      HeadCase{"T2", {0, 90, 10, 220, 120, 80}, false, {70, 90, 75}},
                      HeadCase{"T1_stored_right_to_left", {0, 140, 15, 40, 110, 170}, true, kBrainRadii}),
    [](const ::testing::TestParamInfo<HeadCase>& info) { return info.param.name; });

TEST(AnatomyRegionsTest, OutlinesLieOnTheBoundariesOfTheAxialPlane) {
    const float t1[6] = {0, 140, 15, 40, 110, 170};
    const AnatomyRegions regions = findAnatomyRegions(head(t1, false));
    ASSERT_TRUE(regions.found);
    WorldView view;
    view.minimum = {-90, -110, -90};
    view.maximum = {90, 110, 90};
    view.centre = {0, 0, 10};
    view.mmPerPixel = 1;
    const std::vector<uint8_t> outline = regionOutlines(regions, view, PlaneKind::kAxial);
    // Along the row through y = 0, from the left: the brain's edge, the grey/white boundary, the left
    // ventricle, each within 2 mm of where it lies at z = 10.
    const int row = 110;
    const double factor = std::sqrt(1.0 - 10.0 * 10.0 / (72.0 * 72.0));
    const double whiteFactor = std::sqrt(1.0 - 10.0 * 10.0 / (60.0 * 60.0));
    struct Expected {
        OutlineKind kind;
        double xMm;
    };
    const Expected expected[3] = {
        {kBrainOutline, -67 * factor}, {kGreyWhiteOutline, -55 * whiteFactor}, {kVentricleOutline, -19}};
    int from = 0;
    for (const Expected& e : expected) {
        int x = from;
        while (x < 180 && outline[static_cast<size_t>(row) * 180 + x] != e.kind) {
            ++x;
        }
        ASSERT_LT(x, 180) << "no outline of kind " << int(e.kind);
        EXPECT_NEAR(-90 + x + 0.5, e.xMm, 2.0) << "outline of kind " << int(e.kind);
        from = x + 1;
    }
}

TEST(AnatomyRegionsTest, NoBrainInASmallCutOut) {
    const float t1[6] = {0, 140, 15, 40, 110, 170};
    ScalarGrid piece = head(t1, false);
    // A 30 mm cube of the white matter and grey around it: far too small for a brain.
    ScalarGrid cut;
    cut.nx = cut.ny = cut.nz = 20;
    cut.voxelToWorld = piece.voxelToWorld;
    for (int k = 0; k < 20; ++k)
        for (int j = 0; j < 20; ++j)
            for (int i = 0; i < 20; ++i)
                cut.values.push_back(piece.values[(i + 50) + piece.nx * ((j + 60) + piece.ny * (k + 50))]);
    EXPECT_FALSE(findAnatomyRegions(cut).found);
    EXPECT_FALSE(findAnatomyRegions(ScalarGrid{}).found);
}

} // namespace
