// Judging a registration another tool wrote (`Zentrovis check --xfm`): how far it places the functional's
// in-brain voxels from where the check's own best position puts them, and a verdict on the check's scale.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_GIVEN_TRANSFORM_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_GIVEN_TRANSFORM_H

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/transform_reading.h"

// The given registration (read from path) as a correction in the check's convention: an ITK transform as
// it resamples the functional onto the anatomical, an FSL matrix with the functional as input and the
// anatomical as reference.
Matrix4d givenCorrection(const ReadTransform& given, const NiftiImage& anatomical,
                         const NiftiImage& functional);

// Judges the given registration against the check of the same pair: pass within settings.passMm of the
// best position, warn within warnMm, else fail; unjudged (a fail) when the check found no best position or
// suspects a left-right flip, which no rigid registration undoes.
GivenTransformCheck judgeGivenTransform(const std::string& path, const ReadTransform& given,
                                        const RunCheck& check, const NiftiImage& anatomical,
                                        const NiftiImage& functional, const CheckSettings& settings);

#endif
