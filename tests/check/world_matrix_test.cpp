// World matrices of the check: rotations turn the right way about the right centre, angles come back out,
// inverses invert, the mirror mirrors.
#include <gtest/gtest.h>

#include "host/alignment_check/world_matrix.h"

namespace {

void expectPoint(const Point3d& got, const Point3d& want, const char* name) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(got[i], want[i], 1e-9) << name << " component " << i;
    }
}

TEST(RigidMotion, QuarterTurnsFollowTheRightHandAboutTheCentre) {
    const Point3d centre{10, 20, 30};
    struct {
        const char* name;
        RigidParameters motion;
        Point3d from, to;
    } cases[] = {
        {"about x: +y goes to +z", {{0, 0, 0}, {90, 0, 0}}, {10, 21, 30}, {10, 20, 31}},
        {"about x: +z goes to -y", {{0, 0, 0}, {90, 0, 0}}, {10, 20, 31}, {10, 19, 30}},
        {"about y: +z goes to +x", {{0, 0, 0}, {0, 90, 0}}, {10, 20, 31}, {11, 20, 30}},
        {"about y: +x goes to -z", {{0, 0, 0}, {0, 90, 0}}, {11, 20, 30}, {10, 20, 29}},
        {"about z: +x goes to +y", {{0, 0, 0}, {0, 0, 90}}, {11, 20, 30}, {10, 21, 30}},
        {"about z: +y goes to -x", {{0, 0, 0}, {0, 0, 90}}, {10, 21, 30}, {9, 20, 30}},
        {"x first, then z", {{0, 0, 0}, {90, 0, 90}}, {10, 21, 30}, {10, 20, 31}},
        {"turn, then shift", {{1, 2, 3}, {0, 0, 90}}, {11, 20, 30}, {11, 23, 33}},
        {"the centre stays", {{0, 0, 0}, {30, -20, 45}}, centre, centre},
    };
    for (const auto& c : cases) {
        expectPoint(transformPoint(rigidMotion(c.motion, centre), c.from), c.to, c.name);
    }
}

TEST(RigidMotion, AnglesComeBackAndTheInverseUndoes) {
    const Point3d angles[] = {{0, 0, 0}, {7, 0, 0}, {0, -8, 0}, {3, 4, -5}, {-10, 10, 10}};
    for (const Point3d& a : angles) {
        RigidParameters p;
        p.rotationDeg = a;
        p.translationMm = {4, -2, 9};
        const Matrix4d m = rigidMotion(p, {1, 2, 3});
        const std::array<double, 3> back = rotationAnglesDeg(m);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(back[i], a[i], 1e-9);
        }
        const Matrix4d round = multiply(invertAffine(m), m);
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                EXPECT_NEAR(round[i][j], i == j ? 1.0 : 0.0, 1e-12);
            }
        }
    }
    RigidParameters single;
    single.rotationDeg = {0, 7, 0};
    EXPECT_NEAR(rotationAngleDeg(rigidMotion(single, {0, 0, 0})), 7.0, 1e-9);
    expectPoint(transformPoint(mirrorX(5), {7, 1, 2}), {3, 1, 2}, "mirror about x = 5");
}

} // namespace
