// The report of a plug-in run, DIR/report.html: the alignment check of each functional against the
// anatomical, read from their files as given, worked out on a thread of its own while the run goes on,
// with the run's log at the end.
#ifndef POSALIGN_HOST_PLUGIN_RUN_RUN_REPORT_H
#define POSALIGN_HOST_PLUGIN_RUN_RUN_REPORT_H

#include <functional>
#include <string>
#include <vector>

// Finishes the report begun alongside a run: given the run's log, waits for the report's work and returns
// the text of report.html.
using FinishRunReport = std::function<std::string(const std::string& pluginLog)>;

// Starts the checks on a thread of their own and returns what finishes the page (call it once). A check
// that cannot be made (a file refused, no memory) becomes a line in the page, never a failure of the run.
// When the last copy of the returned function is dropped, the check stops at its next step and the thread
// is waited for.
FinishRunReport beginRunReport(const std::string& anatomicalPath,
                               const std::vector<std::string>& functionalPaths);

#endif
