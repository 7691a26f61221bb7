// Reading a registration that another tool wrote, for the check to judge (`Zentrovis check --xfm`): an ITK
// transform (the text file ANTs and the field's pipelines write, or the binary MATLAB .mat of ANTs) or an
// FSL matrix. The format is told by the contents, not the name.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_TRANSFORM_READING_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_TRANSFORM_READING_H

#include <string>

#include "host/alignment_check/world_matrix.h"

enum class TransformFormat { kItk, kFsl };

// A transform file's matrix as its format means it (ITK: LPS mm, fixed point -> moving point; FSL: scaled
// voxels, input -> reference), or the reason the file cannot be used (one sentence, without the path).
struct ReadTransform {
    TransformFormat format = TransformFormat::kItk;
    Matrix4d matrix = identityMatrix();
    std::string error;
};

// Reads one affine transform from path.
ReadTransform readTransformFile(const std::string& path);

// "itk" or "fsl".
const char* transformFormatName(TransformFormat format);

#endif
