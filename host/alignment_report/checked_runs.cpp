// Checking runs read from their files.
#include "host/alignment_report/checked_runs.h"

#include <future>

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/check_read_rules.h"
#include "host/nifti/nifti_file.h"
#include "host/alignment_report/check_report.h"

CheckedRuns checkRunsFromFiles(const std::string& anatomicalPath,
                               const std::vector<std::string>& functionalPaths,
                               const std::function<void(const RunCheck&)>& onChecked,
                               const std::atomic<bool>* stop, const CheckedRunHook& withImages) {
    CheckedRuns checked;
    auto stopped = [&checked, stop] {
        if (stop != nullptr && stop->load()) {
            checked.error = "stopped";
            return true;
        }
        return false;
    };
    const CheckReadRules anatomicalRules = anatomicalReadRules();
    const NiftiReadResult anatomical =
        readNiftiImage(anatomicalPath, anatomicalRules.kind, anatomicalRules.limits);
    if (!anatomical.error.empty()) {
        checked.error = anatomicalPath + ": " + anatomical.error;
        return checked;
    }
    if (stopped()) {
        return checked;
    }
    const CheckInputs anatomy{anatomicalPath, &anatomical.image};
    // The anatomy's pictures and regions take about as long as one run's check; they are drawn on a thread
    // of their own while the first run is read and checked, and waited for before its report is made.
    std::future<SubjectPictures> drawing = std::async(
        std::launch::async, [&anatomical] { return prepareSubjectPictures(firstVolume(anatomical.image)); });
    SubjectPictures pictures;
    bool drawn = false;
    for (const std::string& path : functionalPaths) {
        if (stopped()) {
            return checked;
        }
        const CheckReadRules functionalRules = functionalReadRules();
        const NiftiReadResult functional = readNiftiImage(path, functionalRules.kind, functionalRules.limits);
        if (!functional.error.empty()) {
            checked.error = path + ": " + functional.error;
            return checked;
        }
        if (stopped()) {
            return checked;
        }
        checked.checks.push_back(
            checkAlignment(anatomy, CheckInputs{path, &functional.image}, CheckSettings{}));
        if (withImages) {
            withImages(checked.checks.size() - 1, anatomical.image, functional.image, checked.checks.back());
        }
        if (onChecked) {
            onChecked(checked.checks.back());
        }
        if (!drawn) {
            pictures = drawing.get();
            drawn = true;
        }
        checked.reportRuns.push_back(reportRunFor(pictures, functional.image, checked.checks.back()));
    }
    return checked;
}
