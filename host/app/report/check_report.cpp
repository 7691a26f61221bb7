// Pictures and page for the runs of one anatomical.
#include "host/app/report/check_report.h"

#include <fstream>
#include <sstream>

#include "host/app/output_files.h"

ReportRun reportRunFor(const SubjectPictures& subject, const NiftiImage& functional, const RunCheck& check) {
    ReportRun run;
    run.name = niftiStem(check.functionalPath);
    run.check = check;
    if (check.error.empty()) {
        run.pictures = reportPictures(
            renderRunPictures(subject, temporalMeanVolume(functional), &check.search.correction));
    }
    return run;
}

std::string writeCheckReport(OutputRun& run, const std::string& title, const std::vector<ReportRun>& runs) {
    ReportPage page;
    page.title = title;
    page.runs = runs;
    std::ifstream log(run.folder + "/posalign.log");
    if (log) {
        std::ostringstream text;
        text << log.rdbuf();
        page.pluginLog = text.str();
    }
    const std::string html = reportHtml(page);
    return stageOutput(run, "report.html",
                       [&html](const std::string& staged) { return writeTextFile(staged, html); });
}
