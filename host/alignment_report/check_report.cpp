// Pictures and page for the runs of one anatomical.
#include "host/alignment_report/check_report.h"

#include "host/nifti/nifti_file.h"

ReportRun reportRunFor(const SubjectPictures& subject, const NiftiImage& functional, const RunCheck& check) {
    return reportRunFor(subject, check.error.empty() ? temporalMean(functional) : ScalarGrid{},
                        check);
}

ReportRun reportRunFor(const SubjectPictures& subject, const ScalarGrid& functionalMean,
                       const RunCheck& check) {
    ReportRun run;
    run.name = niftiStem(check.functionalPath);
    run.check = check;
    if (check.error.empty()) {
        run.pictures = reportPictures(renderRunPictures(subject, functionalMean, &check.search.correction));
    }
    return run;
}

std::string checkReportHtml(const std::string& title, const std::vector<ReportRun>& runs,
                            const std::string& pluginLog, const std::string& problem) {
    ReportPage page;
    page.title = title;
    page.runs = runs;
    page.pluginLog = pluginLog;
    page.problem = problem;
    return reportHtml(page);
}
