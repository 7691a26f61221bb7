// The report of `Zentrovis check --vmr A --fmr F ... --out DIR`: DIR/report.html for the runs checked
// against one anatomical, with the plug-in's log when DIR holds one from a plug-in run.
#ifndef POSALIGN_HOST_APP_REPORT_CHECK_REPORT_H
#define POSALIGN_HOST_APP_REPORT_CHECK_REPORT_H

#include <string>
#include <vector>

#include "host/app/output_files.h"
#include "host/app/report/html_report.h"

// The report's entry for one checked run, named after its functional file: the pictures of the functional
// against the subject's anatomy, at the header and at the best position; none when the run has an error.
ReportRun reportRunFor(const SubjectPictures& subject, const NiftiImage& functional, const RunCheck& check);

// Stages report.html in the run with the runs in the given order, and the run folder's posalign.log at the
// end when it is there. Empty text on success, else the reason.
std::string writeCheckReport(OutputRun& run, const std::string& title, const std::vector<ReportRun>& runs);

#endif
