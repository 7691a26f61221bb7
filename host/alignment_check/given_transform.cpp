// The residual is measured over the same in-brain voxels as the check's own displacement.
#include "host/alignment_check/given_transform.h"

#include <cstdio>

#include "host/alignment_check/transform_files.h"

namespace {

std::string millimetres(double value) {
    char text[32];
    snprintf(text, sizeof text, "%.2f mm", value);
    return text;
}

} // namespace

Matrix4d givenCorrection(const ReadTransform& given, const NiftiImage& anatomical,
                         const NiftiImage& functional) {
    return given.format == TransformFormat::kFsl
               ? correctionFromFsl(given.matrix, imageFrame(functional), imageFrame(anatomical))
               : correctionFromItk(given.matrix);
}

GivenTransformCheck judgeGivenTransform(const std::string& path, const ReadTransform& given,
                                        const RunCheck& check, const NiftiImage& anatomical,
                                        const NiftiImage& functional, const CheckSettings& settings) {
    GivenTransformCheck judged;
    judged.path = path;
    judged.format = transformFormatName(given.format);
    judged.correction = givenCorrection(given, anatomical, functional);
    for (auto& row : judged.correction) {
        for (double& value : row) {
            value += 0.0; // no "-0" in the outputs
        }
    }
    if (!check.error.empty() || check.search.best <= 0.0) {
        judged.reasons.push_back("the check found no best position to compare the given registration with "
                                 "(see the run's reasons)");
        return judged;
    }
    const std::vector<Point3d> points = displacementPoints(functional);
    double sum = 0.0;
    for (const Point3d& p : points) {
        sum += distance(transformPoint(judged.correction, p), transformPoint(check.search.correction, p));
    }
    judged.residualMm = points.empty() ? 0.0 : sum / static_cast<double>(points.size());
    if (check.search.lrFlipSuspected) {
        judged.reasons.push_back("the run's data look mirrored left-right, which no rigid registration "
                                 "undoes, so the given one is not judged");
        return judged;
    }
    judged.judged = true;
    const std::string residual = "the given registration places the functional " +
                                 millimetres(judged.residualMm) +
                                 " (mean over its in-brain voxels) from the check's best position, ";
    if (judged.residualMm <= settings.passMm) {
        judged.verdict = Verdict::kPass;
        judged.reasons.push_back(residual + "within " + millimetres(settings.passMm));
    } else {
        judged.verdict = judged.residualMm <= settings.warnMm ? Verdict::kWarn : Verdict::kFail;
        judged.reasons.push_back(
            residual + "more than " +
            millimetres(judged.residualMm <= settings.warnMm ? settings.passMm : settings.warnMm));
    }
    return judged;
}
