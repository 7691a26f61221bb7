// The alignment check of functional files against an anatomical file, each read as given: the work that
// `Zentrovis check` and the report of a plug-in run share.
#ifndef POSALIGN_HOST_ALIGNMENT_REPORT_CHECKED_RUNS_H
#define POSALIGN_HOST_ALIGNMENT_REPORT_CHECKED_RUNS_H

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "host/alignment_check/alignment_result.h"
#include "host/alignment_report/html_report.h"
#include "host/nifti/nifti_file.h"

// Each run's check and its entry in the report, in the order of the functionals.
struct CheckedRuns {
    std::vector<RunCheck> checks;
    std::vector<ReportRun> reportRuns;
    std::string error; // "PATH: problem" for the first file refused (nothing after it is checked); else empty
};

// Told each run's check while both images are held (before onChecked), to add what needs the images.
using CheckedRunHook = std::function<void(size_t run, const NiftiImage& anatomical,
                                          const NiftiImage& functional, RunCheck& check)>;

// Reads the anatomical once and the functionals one at a time (only one run's samples are held at once),
// checks each and renders its pictures; onChecked (when set) is told each check as it is reached. When
// stop (if given) is set, the work ends at its next step with the error "stopped". withImages (when set)
// is told each check first.
CheckedRuns checkRunsFromFiles(const std::string& anatomicalPath,
                               const std::vector<std::string>& functionalPaths,
                               const std::function<void(const RunCheck&)>& onChecked = nullptr,
                               const std::atomic<bool>* stop = nullptr,
                               const CheckedRunHook& withImages = nullptr);

#endif
