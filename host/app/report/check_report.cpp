// Pictures and page for the runs of one anatomical.
#include "host/app/report/check_report.h"

#include <fstream>
#include <sstream>

#include "host/app/output_files.h"
#include "host/app/report/html_report.h"

std::string writeCheckReport(const std::string& dir, const NiftiImage& anatomical,
                             const std::vector<const NiftiImage*>& functionals,
                             const std::vector<RunCheck>& checks) {
    SubjectPictures subject = prepareSubjectPictures(firstVolume(anatomical));
    ReportPage page;
    page.title = "Alignment check: " + niftiStem(checks.empty() ? "" : checks.front().anatomicalPath);
    for (size_t i = 0; i < checks.size() && i < functionals.size(); ++i) {
        ReportRun run;
        run.name = niftiStem(checks[i].functionalPath);
        run.check = checks[i];
        if (checks[i].error.empty() && functionals[i] != nullptr) {
            run.pictures = reportPictures(renderRunPictures(subject, temporalMeanVolume(*functionals[i]),
                                                            &checks[i].search.correction));
        }
        page.runs.push_back(run);
    }
    std::ifstream log(dir + "/posalign.log");
    if (log) {
        std::ostringstream text;
        text << log.rdbuf();
        page.pluginLog = text.str();
    }
    return writeTextFileAtomically(dir + "/report.html", reportHtml(page));
}
