// The report of the runs checked against one anatomical: DIR/report.html of `Zentrovis check --vmr A --fmr
// F ... --out DIR` and of a plug-in run.
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_CHECK_REPORT_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_CHECK_REPORT_H

#include <string>
#include <vector>

#include "host/alignment_report/html_report.h"

// The report's entry for one checked run, named after its functional file: the pictures of the functional
// against the subject's anatomy, at the header and at the best position; none when the run has an error.
ReportRun reportRunFor(const SubjectPictures& subject, const NiftiImage& functional, const RunCheck& check);

// The same from the functional's temporal mean (temporalMean), for a caller that keeps only that.
ReportRun reportRunFor(const SubjectPictures& subject, const ScalarGrid& functionalMean,
                       const RunCheck& check);

// The text of report.html: the runs in the given order, the problem (when not empty) under the verdict table,
// and the plug-in's log at the end when it is not empty.
std::string checkReportHtml(const std::string& title, const std::vector<ReportRun>& runs,
                            const std::string& pluginLog, const std::string& problem = "");

#endif
