// One checked run's transform outputs (ITK and FSL files, their JSON sidecar and, when asked, the functional
// with its header corrected), prepared while the run's images are held and staged with the other outputs.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_TRANSFORM_OUTPUTS_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_TRANSFORM_OUTPUTS_H

#include "host/alignment_check/transform_files.h"
#include "host/output_files/output_files.h"

struct RunTransformOutputs {
    bool present = false; // false: the run was not searched, so there is no correction to write
    TransformFileNames names;
    std::string itkText, fslText, sidecarText;
    std::string functionalPath;               // the source of the corrected copy
    std::array<double, 16> correctedAffine{}; // row-major: correction * the functional's affine
    int fallbackCode = 1;                     // the corrected copy's code where the source had none
    bool withCorrected = false;
};

// The outputs of a run checked against anatomical (withCorrected: the corrected copy too).
RunTransformOutputs runTransformOutputs(const RunCheck& check, const NiftiImage& anatomical,
                                        const NiftiImage& functional, bool withCorrected);

// The names a run's outputs take, present or not (to look at before anything is checked).
std::vector<std::string> transformOutputNames(const std::string& functionalPath, bool withCorrected);

// Stages the present outputs into run; empty text on success, else "PATH: reason".
std::string stageRunTransforms(OutputRun& run, const RunTransformOutputs& outputs);

#endif
