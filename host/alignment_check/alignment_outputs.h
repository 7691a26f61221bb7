// The check's results as text: the verdict lines for the terminal, alignment.json and alignment.tsv.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_OUTPUTS_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_ALIGNMENT_OUTPUTS_H

#include <string>
#include <vector>

#include "host/alignment_check/alignment_result.h"

// One run's verdict line and its reasons, each reason on an indented line of its own.
std::string verdictLines(const RunCheck& check);

// The text of alignment.json: {"anatomical": PATH, "runs": [...]}, indented, ending with a newline.
std::string alignmentJson(const std::string& anatomicalPath, const std::vector<RunCheck>& checks);

// The text of alignment.tsv in the one table form (alignment_table.h), one row per run in the given order:
// run is the functional's file name without .nii[.gz], subject and session are n/a, report is report.html.
std::string alignmentTsv(const std::vector<RunCheck>& checks);

// The worst verdict of the runs (pass when there are none).
Verdict worstVerdict(const std::vector<RunCheck>& checks);

#endif
