// The self-contained alignment report: one HTML file with the verdict table, each run's numbers, the
// pictures at the header and at the best position, a flicker between functional and anatomy, and the
// plug-in's log when there is one. Pictures are embedded as data: URIs; the page loads nothing else.
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_HTML_REPORT_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_HTML_REPORT_H

#include <string>
#include <vector>

#include "host/alignment_check/alignment_result.h"
#include "host/alignment_report/run_pictures.h"

// A run's pictures as data: URIs; an empty text is a picture that does not exist.
struct ReportPictures {
    std::string edgesAtHeader, edgesAtBest, anatomy, functionalAtHeader, functionalAtBest;
};

// The pictures encoded for the page.
ReportPictures reportPictures(const RunPictures& pictures);

struct ReportRun {
    std::string name; // e.g. "sub-01_ses-1_task-rest_run-1"
    RunCheck check;
    ReportPictures pictures;
};

struct ReportPage {
    std::string title;
    std::vector<ReportRun> runs; // shown in this order
    std::string pluginLog;       // empty: no section
    std::string problem;         // why runs are missing (a check that could not be made); empty: none
};

// The whole page as text.
std::string reportHtml(const ReportPage& page);

// The text with &, <, >, " and ' replaced by their HTML character references.
std::string escapeHtml(const std::string& text);

#endif
