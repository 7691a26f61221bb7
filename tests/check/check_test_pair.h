// A small phantom pair with a known alignment for the check's tests: a 3 mm T1-like (or T2-like)
// anatomical and a 4 mm oblique EPI-like functional of the same head.
#ifndef POSALIGN_TESTS_CHECK_CHECK_TEST_PAIR_H
#define POSALIGN_TESTS_CHECK_CHECK_TEST_PAIR_H

#include "host/alignment_check/synthetic_pair.h"

inline const Point3d kTestFunctionalCentre{3, -4, 8};

inline NiftiImage testAnatomical(Contrast contrast) {
    return phantomImage(obliqueGrid(60, 72, 64, {3, 3, 3}, {0, 0, 0}, {0, 0, 0}), contrast, 0.03);
}

inline NiftiImage testFunctional(int nz = 30) {
    return phantomImage(obliqueGrid(40, 44, nz, {4, 4, 4}, kTestFunctionalCentre, {10, 0, 3}), Contrast::kEpi,
                        0.03);
}

// The functional moved by a rigid offset about its centre.
inline NiftiImage movedFunctional(const NiftiImage& functional, const Point3d& shiftMm,
                                  const Point3d& rotationDeg) {
    RigidParameters offset;
    offset.translationMm = shiftMm;
    offset.rotationDeg = rotationDeg;
    return movedImage(functional, rigidMotion(offset, kTestFunctionalCentre));
}

#endif
