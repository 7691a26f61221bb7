// The phantom's head: nested axis-aligned ellipsoids tested by their quadratic forms.
#include "host/core/phantom_object.h"

namespace {

struct Ellipsoid {
    float centre[3];
    float inverseSquaredSemiAxis[3]; // 1 / a^2
};

// Semi-axes in mm become 1/a^2 once, at compile time.
constexpr Ellipsoid ellipsoid(float cx, float cy, float cz, float a, float b, float c) {
    return Ellipsoid{{cx, cy, cz}, {1.0f / (a * a), 1.0f / (b * b), 1.0f / (c * c)}};
}

const Ellipsoid kHead = ellipsoid(0.0f, 0.0f, 0.0f, 78.0f, 98.0f, 88.0f);
const Ellipsoid kSkullOuter = ellipsoid(0.0f, 0.0f, 2.0f, 72.0f, 92.0f, 82.0f);
const Ellipsoid kSkullInner = ellipsoid(0.0f, 0.0f, 3.0f, 66.0f, 86.0f, 76.0f);
const Ellipsoid kBrain = ellipsoid(0.0f, 0.0f, 4.0f, 62.0f, 82.0f, 71.0f);
const Ellipsoid kWhite = ellipsoid(0.0f, -2.0f, 8.0f, 50.0f, 68.0f, 56.0f);
const Ellipsoid kEyes[2] = {ellipsoid(-30.0f, 76.0f, -30.0f, 12.0f, 12.0f, 12.0f),
                            ellipsoid(30.0f, 76.0f, -30.0f, 12.0f, 12.0f, 12.0f)};
const Ellipsoid kMarker = ellipsoid(34.0f, 22.0f, 30.0f, 10.0f, 10.0f, 10.0f);
const Ellipsoid kVentricles[2] = {ellipsoid(-9.0f, -2.0f, 12.0f, 5.0f, 22.0f, 12.0f),
                                  ellipsoid(9.0f, -2.0f, 12.0f, 5.0f, 22.0f, 12.0f)};
const Ellipsoid kDeepGrey[2] = {ellipsoid(-20.0f, 5.0f, 0.0f, 8.0f, 12.0f, 8.0f),
                                ellipsoid(20.0f, 5.0f, 0.0f, 8.0f, 12.0f, 8.0f)};

inline bool inside(const Ellipsoid& e, float x, float y, float z) {
    const float dx = x - e.centre[0], dy = y - e.centre[1], dz = z - e.centre[2];
    return (dx * dx) * e.inverseSquaredSemiAxis[0] + (dy * dy) * e.inverseSquaredSemiAxis[1] +
               (dz * dz) * e.inverseSquaredSemiAxis[2] <=
           1.0f;
}

// T1-like: white brighter than grey, CSF and bone dark.
const float kAnatomical[kTissueCount] = {0.0f, 140.0f, 15.0f, 40.0f, 110.0f, 170.0f, 70.0f, 220.0f};
// EPI-like: CSF brightest, white darker than grey, bone and scalp (fat suppressed) dark.
const float kFunctional[kTissueCount] = {0.0f, 400.0f, 80.0f, 1500.0f, 1000.0f, 750.0f, 1300.0f, 1800.0f};

} // namespace

int phantomTissue(float x, float y, float z) {
    if (!inside(kHead, x, y, z)) {
        return kTissueBackground;
    }
    if (inside(kEyes[0], x, y, z) || inside(kEyes[1], x, y, z)) {
        return kTissueEye;
    }
    if (!inside(kSkullOuter, x, y, z)) {
        return kTissueScalp;
    }
    if (!inside(kSkullInner, x, y, z)) {
        return kTissueSkull;
    }
    if (!inside(kBrain, x, y, z)) {
        return kTissueCsf;
    }
    if (inside(kMarker, x, y, z)) {
        return kTissueMarker;
    }
    if (inside(kVentricles[0], x, y, z) || inside(kVentricles[1], x, y, z)) {
        return kTissueCsf;
    }
    if (inside(kDeepGrey[0], x, y, z) || inside(kDeepGrey[1], x, y, z)) {
        return kTissueGrey;
    }
    return inside(kWhite, x, y, z) ? kTissueWhite : kTissueGrey;
}

float anatomicalTissueIntensity(int tissue) {
    return tissue >= 0 && tissue < kTissueCount ? kAnatomical[tissue] : 0.0f;
}

float functionalTissueIntensity(int tissue, int volume) {
    if (tissue < 0 || tissue >= kTissueCount) {
        return 0.0f;
    }
    // The marker "activates" a little more in every volume.
    return tissue == kTissueMarker ? kFunctional[tissue] + 60.0f * static_cast<float>(volume)
                                   : kFunctional[tissue];
}
