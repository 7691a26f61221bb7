// The report of `Zentrovis check --vmr A --fmr F ... --out DIR`: DIR/report.html for the runs checked
// against one anatomical, with the plug-in's log when DIR holds one from a plug-in run.
#ifndef POSALIGN_HOST_APP_REPORT_CHECK_REPORT_H
#define POSALIGN_HOST_APP_REPORT_CHECK_REPORT_H

#include <string>
#include <vector>

#include "host/app/check/alignment_result.h"
#include "host/app/nifti_file.h"

// Writes DIR/report.html (atomically): the runs in the given order, each functional (functionals[i] for
// checks[i]) pictured against the anatomical; DIR/posalign.log, when present, is shown at the end. Empty
// text on success, else the reason.
std::string writeCheckReport(const std::string& dir, const NiftiImage& anatomical,
                             const std::vector<const NiftiImage*>& functionals,
                             const std::vector<RunCheck>& checks);

#endif
