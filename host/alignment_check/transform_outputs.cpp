// Preparing and staging a run's transform outputs.
#include "host/alignment_check/transform_outputs.h"

#include "host/nifti/nifti_corrected_copy.h"

namespace {

// NIFTI_XFORM_SCANNER_ANAT: scanner-based anatomical coordinates.
const int kScannerAnatomicalCode = 1;

} // namespace

RunTransformOutputs runTransformOutputs(const RunCheck& check, const NiftiImage& anatomical,
                                        const NiftiImage& functional, bool withCorrected) {
    RunTransformOutputs outputs;
    outputs.names = transformFileNames(check.functionalPath);
    outputs.present = check.error.empty() && check.search.best > 0.0;
    if (!outputs.present) {
        return outputs;
    }
    const Matrix4d& correction = check.search.correction;
    const ImageFrame functionalFrame = imageFrame(functional);
    outputs.itkText = itkTransformText(itkFromCorrection(correction));
    outputs.fslText = fslMatrixText(fslFromCorrection(correction, functionalFrame, imageFrame(anatomical)));
    outputs.sidecarText =
        transformSidecarJson(check.functionalPath, check.anatomicalPath, outputs.names, correction,
                             verdictName(check.verdict), check.search.displacementMm, withCorrected);
    const Matrix4d corrected = multiply(correction, functionalFrame.voxelToWorld);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            outputs.correctedAffine[4 * i + j] = corrected[i][j];
        }
    }
    // The corrected placement is in the anatomical's world, so a code the functional lacks is the
    // anatomical's.
    const NiftiGeometry& reference = anatomical.geometry;
    outputs.fallbackCode = reference.sformCode > 0   ? reference.sformCode
                           : reference.qformCode > 0 ? reference.qformCode
                                                     : kScannerAnatomicalCode;
    outputs.functionalPath = check.functionalPath;
    outputs.withCorrected = withCorrected;
    return outputs;
}

std::vector<std::string> transformOutputNames(const std::string& functionalPath, bool withCorrected) {
    const TransformFileNames names = transformFileNames(functionalPath);
    std::vector<std::string> all{names.itk, names.fsl, names.sidecar};
    if (withCorrected) {
        all.push_back(names.corrected);
    }
    return all;
}

std::string stageRunTransforms(OutputRun& run, const RunTransformOutputs& outputs) {
    if (!outputs.present) {
        return "";
    }
    for (const auto& [name, text] : {std::make_pair(&outputs.names.itk, &outputs.itkText),
                                     std::make_pair(&outputs.names.fsl, &outputs.fslText),
                                     std::make_pair(&outputs.names.sidecar, &outputs.sidecarText)}) {
        const std::string* contents = text;
        const std::string problem = stageOutput(
            run, *name, [contents](const std::string& staged) { return writeTextFile(staged, *contents); });
        if (!problem.empty()) {
            return run.folder + "/" + *name + ": " + problem;
        }
    }
    if (outputs.withCorrected) {
        const std::string problem =
            stageOutput(run, outputs.names.corrected, [&outputs](const std::string& staged) {
                return writeNiftiWithAffine(outputs.functionalPath, staged, outputs.correctedAffine,
                                            outputs.fallbackCode);
            });
        if (!problem.empty()) {
            return run.folder + "/" + outputs.names.corrected + ": " + problem;
        }
    }
    return "";
}
