// One run checked from Python: the check's result with the images it was made from, and the report of
// such runs.
#ifndef POSALIGN_PYTHON_CHECKED_RUN_H
#define POSALIGN_PYTHON_CHECKED_RUN_H

#include <string>
#include <vector>

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/scalar_volume.h"
#include "python/check_images.h"

// A run's check and what its report draws: the anatomical (shared by the runs checked against it) and the
// functional's temporal mean, not all its volumes, so that results stay small.
struct CheckedRun {
    CheckImage anatomical;
    std::shared_ptr<const ScalarGrid> functionalMean;
    RunCheck check;
};

// Checks functional against anatomical (the images' paths go into the result as given).
CheckedRun checkRun(const CheckImage& anatomical, const CheckImage& functional,
                    const CheckSettings& settings);

// The functional's voxel-to-world affine at the best position: correction * its affine.
Matrix4d bestAlignedAffineOf(const CheckedRun& run);

// The run's entry in alignment.json as `Zentrovis check` writes the file for it alone.
std::string alignmentJsonOf(const CheckedRun& run);

// The text of report.html for the runs, in their order, as `Zentrovis check` writes it; the anatomy's
// pictures are made once for each anatomical image.
std::string reportHtmlOf(const std::vector<const CheckedRun*>& runs);

// Writes text to path by way of a new file beside it, so that path never holds a part of it. An existing
// path is replaced only when overwrite is set. Empty text on success, else "PATH: reason".
std::string writeWholeFile(const std::string& path, const std::string& text, bool overwrite);

#endif
