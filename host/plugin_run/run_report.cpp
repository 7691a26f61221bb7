// The plug-in run's report, checked alongside the run.
#include "host/plugin_run/run_report.h"

#include <atomic>
#include <future>
#include <memory>
#include <new>
#include <system_error>

#include "host/alignment_report/checked_runs.h"
#include "host/nifti/nifti_file.h"
#include "host/alignment_report/check_report.h"

namespace {

// The check running for a report. Dropped before its page was asked for (the run failed), it has the
// check stop at its next step and waits for the thread.
struct ReportWork {
    std::atomic<bool> stop{false};
    std::future<CheckedRuns> result;
    ~ReportWork() { stop = true; }
};

} // namespace

FinishRunReport beginRunReport(const std::string& anatomicalPath,
                               const std::vector<std::string>& functionalPaths) {
    auto work = std::make_shared<ReportWork>();
    auto check = [anatomicalPath, functionalPaths, stop = &work->stop] {
        try {
            return checkRunsFromFiles(anatomicalPath, functionalPaths, nullptr, stop);
        } catch (const std::bad_alloc&) {
            CheckedRuns failed;
            failed.error = "not enough memory";
            return failed;
        }
    };
    try {
        work->result = std::async(std::launch::async, check);
    } catch (const std::system_error&) {
        // No thread to be had: the check runs when the page is asked for.
        work->result = std::async(std::launch::deferred, check);
    }
    const std::string title = "Plug-in run: " + niftiStem(anatomicalPath);
    return [work, title](const std::string& pluginLog) {
        const CheckedRuns checked = work->result.get();
        const std::string problem =
            checked.error.empty() ? "" : "The alignment check could not be made: " + checked.error;
        return checkReportHtml(title, checked.reportRuns, pluginLog, problem);
    };
}
