// Checking runs and writing their report for the Python module, with the command line's own functions.
#include "python/checked_run.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "host/alignment_check/alignment_outputs.h"
#include "host/output_files/output_files.h"
#include "host/alignment_report/check_report.h"
#include "host/alignment_report/run_pictures.h"
#include "host/alignment_check/scalar_volume.h"

CheckedRun checkRun(const CheckImage& anatomical, const CheckImage& functional,
                    const CheckSettings& settings) {
    CheckedRun run{anatomical, nullptr, RunCheck{}};
    run.check = checkAlignment(CheckInputs{anatomical.path, anatomical.image.get()},
                               CheckInputs{functional.path, functional.image.get()}, settings);
    run.functionalMean = std::make_shared<const ScalarGrid>(temporalMean(*functional.image));
    return run;
}

Matrix4d bestAlignedAffineOf(const CheckedRun& run) {
    return multiply(run.check.search.correction, run.functionalMean->voxelToWorld);
}

std::string alignmentJsonOf(const CheckedRun& run) {
    return alignmentJson(run.anatomical.path, {run.check});
}

std::string reportHtmlOf(const std::vector<const CheckedRun*>& runs) {
    std::map<const NiftiImage*, SubjectPictures> subjects;
    std::vector<ReportRun> reportRuns;
    for (const CheckedRun* run : runs) {
        const NiftiImage* anatomy = run->anatomical.image.get();
        auto found = subjects.find(anatomy);
        if (found == subjects.end()) {
            found = subjects.emplace(anatomy, prepareSubjectPictures(firstVolume(*anatomy))).first;
        }
        reportRuns.push_back(reportRunFor(found->second, *run->functionalMean, run->check));
        if (reportRuns.back().name.empty()) { // an array: named by its place
            reportRuns.back().name = "run " + std::to_string(reportRuns.size());
        }
    }
    const std::string anatomicalPath = runs.empty() ? "" : runs.front()->anatomical.path;
    const std::string title =
        anatomicalPath.empty() ? "Alignment check" : "Alignment check: " + niftiStem(anatomicalPath);
    return checkReportHtml(title, reportRuns, "");
}

std::string writeWholeFile(const std::string& path, const std::string& text, bool overwrite) {
    static std::atomic<unsigned> serial{0};
    const std::string partial =
        path + ".partial-" + std::to_string(getpid()) + "-" + std::to_string(serial.fetch_add(1));
    std::string problem = writeTextFile(partial, text);
    if (problem.empty()) {
        // link() never replaces an existing name; rename() does.
        const int done =
            overwrite ? rename(partial.c_str(), path.c_str()) : link(partial.c_str(), path.c_str());
        if (done != 0) {
            problem = errno == EEXIST ? "exists (pass overwrite=True to replace it)"
                                      : std::string("could not be put in place: ") + strerror(errno);
        }
    }
    unlink(partial.c_str());
    return problem.empty() ? "" : path + ": " + problem;
}
