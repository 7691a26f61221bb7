// The dataset-wide check: runs paired, checked on worker threads, pictured, reported and tabled.
#include "host/dataset_check/bids_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "host/nifti/nifti_file.h"
#include "host/output_files/output_files.h"
#include "host/alignment_check/alignment_table.h"
#include "host/dataset_check/bids_layout.h"
#include "host/alignment_report/check_report.h"
#include "host/alignment_report/html_report.h"
#include "host/terminal/exit_status.h"
#include "host/terminal/progress_bar.h"

namespace fs = std::filesystem;

namespace {

// An anatomical shared by the runs of a subject (or session): read once, released after its last run.
struct SharedAnatomy {
    std::once_flag loaded;
    NiftiReadResult read;
    SubjectPictures pictures;
    std::atomic<int> runsLeft{0};
    std::mutex release;
};

struct RunOutcome {
    ReportRun report;
    RunIdentity identity;
};

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

RunCheck failedCheck(const BidsRun& run, const std::string& problem) {
    RunCheck check;
    check.functionalPath = run.functionalPath;
    check.anatomicalPath = run.anatomicalPath;
    check.verdict = Verdict::kFail;
    check.error = problem;
    check.reasons = {problem};
    return check;
}

void loadAnatomy(SharedAnatomy& anatomy, const std::string& path) {
    NiftiLimits limits;
    limits.maxVoxelsPerAxis = kMaxAnatomicalVoxelsPerAxis;
    limits.allowSeveralVolumes = false;
    anatomy.read = readNiftiImage(path, SampleKind::kFloat, limits);
    if (anatomy.read.error.empty()) {
        anatomy.pictures = prepareSubjectPictures(firstVolume(anatomy.read.image));
    }
}

ReportRun checkOneRun(const BidsRun& run, SharedAnatomy* anatomy, const RunChecker& checker) {
    ReportRun report;
    report.name = run.name;
    if (!run.problem.empty()) {
        report.check = failedCheck(run, run.problem);
        return report;
    }
    std::call_once(anatomy->loaded, loadAnatomy, std::ref(*anatomy), run.anatomicalPath);
    if (!anatomy->read.error.empty()) {
        report.check = failedCheck(run, run.anatomicalPath + ": " + anatomy->read.error);
        return report;
    }
    NiftiReadResult functional = readNiftiImage(run.functionalPath, SampleKind::kInt16WhenRaw, NiftiLimits{});
    if (!functional.error.empty()) {
        report.check = failedCheck(run, run.functionalPath + ": " + functional.error);
        return report;
    }
    RunCheck check = checker(anatomy->read.image, functional.image);
    check.functionalPath = run.functionalPath;
    check.anatomicalPath = run.anatomicalPath;
    report = reportRunFor(anatomy->pictures, functional.image, check);
    report.name = run.name;
    return report;
}

// Drops an anatomical's data after its last run.
void finishedWith(SharedAnatomy* anatomy) {
    if (anatomy != nullptr && --anatomy->runsLeft == 0) {
        std::lock_guard<std::mutex> lock(anatomy->release);
        anatomy->read = NiftiReadResult{};
        anatomy->pictures = SubjectPictures{};
    }
}

std::vector<RunOutcome> checkAllRuns(const std::vector<BidsRun>& runs, const BidsCheckOptions& options,
                                     const RunChecker& checker, std::ostream& err, bool progressBar) {
    std::map<std::string, std::unique_ptr<SharedAnatomy>> anatomies;
    std::vector<SharedAnatomy*> anatomyOfRun(runs.size(), nullptr);
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].problem.empty()) {
            auto& entry = anatomies[runs[i].anatomicalPath];
            if (!entry) {
                entry = std::make_unique<SharedAnatomy>();
            }
            ++entry->runsLeft;
            anatomyOfRun[i] = entry.get();
        }
    }
    std::vector<RunOutcome> outcomes(runs.size());
    std::atomic<size_t> next{0};
    std::mutex progress;
    int done = 0;
    auto start = std::chrono::steady_clock::now();
    auto worker = [&] {
        for (size_t i = next++; i < runs.size(); i = next++) {
            try {
                outcomes[i].report = checkOneRun(runs[i], anatomyOfRun[i], checker);
            } catch (const std::exception& e) {
                outcomes[i].report.name = runs[i].name;
                outcomes[i].report.check =
                    failedCheck(runs[i], std::string("could not be checked: ") + e.what());
            }
            finishedWith(anatomyOfRun[i]);
            std::lock_guard<std::mutex> lock(progress);
            ++done;
            if (progressBar) {
                double elapsed =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                err << "\r" << progressLine(done, static_cast<int>(runs.size()), elapsed) << std::flush;
            }
        }
    };
    if (progressBar) {
        err << progressLine(0, static_cast<int>(runs.size()), 0) << std::flush;
    }
    std::vector<std::thread> threads;
    int workers = std::max(1, std::min<int>(options.workers, static_cast<int>(runs.size())));
    for (int w = 0; w < workers; ++w) {
        threads.emplace_back(worker);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (progressBar) {
        err << "\n";
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        outcomes[i].identity = RunIdentity{runs[i].subject, runs[i].session, runs[i].name,
                                           "sub-" + runs[i].subject + "/report.html"};
    }
    return outcomes;
}

// The exit status for the worst verdict among sorted rows.
int worstStatus(const std::vector<TableRow>& sortedRows) {
    const std::string worst = sortedRows.empty() ? "pass" : sortedRows.front()[3];
    return worst == "fail" ? kExitWorstIsFail : worst == "warn" ? kExitWorstIsWarn : kExitFinished;
}

// The policy a check writes into folder under: it replaces only what the folder's output record lists.
OutputPolicy ownOutputsPolicy(const std::string& folder) {
    OutputPolicy policy;
    policy.force = true;
    policy.onlyRecorded = true;
    policy.recorded = readOutputRecord(folder);
    return policy;
}

// Empty text when the check may write names into folder, else "PATH: reason" for the first it may not.
std::string checkOwnOutputs(const std::string& folder, const std::vector<std::string>& names) {
    OutputPolicy policy = ownOutputsPolicy(folder);
    for (const std::string& name : names) {
        std::string problem = checkOutputAllowed(policy, folder + "/" + name);
        if (!problem.empty()) {
            return folder + "/" + name + ": " + problem;
        }
    }
    return "";
}

// Puts the named texts into folder together, replacing only what the folder's output record says an earlier
// run of the check wrote there. Empty text on success, else "PATH: reason".
std::string writeOwnOutputs(const std::string& folder,
                            const std::vector<std::pair<std::string, std::string>>& namedTexts) {
    OutputRun run;
    std::string problem = beginOutputRun(folder, ownOutputsPolicy(folder), run);
    for (const std::pair<std::string, std::string>& named : namedTexts) {
        const std::string& name = named.first;
        const std::string& text = named.second;
        if (problem.empty()) {
            problem = stageOutput(run, name,
                                  [&](const std::string& staged) { return writeTextFile(staged, text); });
            problem = problem.empty() ? "" : folder + "/" + name + ": " + problem;
        }
    }
    problem = problem.empty() ? commitOutputRun(run) : problem;
    if (!problem.empty()) {
        abandonOutputRun(run);
    }
    return problem;
}

// Rebuilds OUT_DIR/alignment.tsv from every OUT_DIR/sub-*/alignment.tsv; the worst verdict's exit status.
int mergeTables(const std::string& outDir, std::ostream& err) {
    std::vector<TableRow> rows;
    std::error_code error;
    for (fs::directory_iterator it(outDir, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        fs::path table = it->path() / "alignment.tsv";
        if (name.rfind("sub-", 0) == 0 && fs::is_regular_file(table, error)) {
            std::vector<TableRow> subjectRows = parseAlignmentTable(readWholeFile(table.string()));
            rows.insert(rows.end(), subjectRows.begin(), subjectRows.end());
        }
    }
    sortWorstFirst(rows);
    // Participant jobs running side by side each rebuild this table; one that finds it replaced by another
    // job in the middle of its own move simply builds it again.
    std::string problem;
    for (int attempt = 0; attempt < 3; ++attempt) {
        problem = writeOwnOutputs(outDir, {{"alignment.tsv", alignmentTableText(rows)}});
        if (problem.empty()) {
            break;
        }
    }
    if (!problem.empty()) {
        err << "Zentrovis: " << problem << "\n";
        return kExitWriteFailed;
    }
    return worstStatus(rows);
}

// Writes each subject's report and table; false when one could not be written.
bool writeSubjectOutputs(const std::vector<RunOutcome>& outcomes, const std::string& outDir,
                         std::ostream& err) {
    std::map<std::string, std::vector<const RunOutcome*>> bySubject;
    for (const RunOutcome& outcome : outcomes) {
        bySubject[outcome.identity.subject].push_back(&outcome);
    }
    bool allWritten = true;
    for (const auto& [subject, subjectOutcomes] : bySubject) {
        std::string folder = outDir + "/sub-" + subject;
        std::vector<TableRow> rows;
        std::map<std::string, const RunOutcome*> byRun;
        for (const RunOutcome* outcome : subjectOutcomes) {
            rows.push_back(alignmentRow(outcome->identity, outcome->report.check));
            byRun[outcome->identity.run] = outcome;
        }
        sortWorstFirst(rows);
        ReportPage page;
        page.title = "Alignment check: sub-" + subject;
        for (const TableRow& row : rows) {
            page.runs.push_back(byRun[row[2]]->report);
        }
        std::string problem = writeOwnOutputs(
            folder, {{"report.html", reportHtml(page)}, {"alignment.tsv", alignmentTableText(rows)}});
        if (!problem.empty()) {
            err << "Zentrovis: " << problem << "\n";
            allWritten = false;
        }
    }
    return allWritten;
}

// The dataset check once its output folder exists: refusals, the runs, the tables and reports.
int checkDatasetInto(const BidsCheckOptions& options, const RunChecker& checker, std::ostream& out,
                     std::ostream& err, bool progressBar) {
    // Every output this invocation will write is looked at before any run is checked.
    std::string problem = checkOwnOutputs(options.outDir, {"alignment.tsv"});
    if (!problem.empty() || options.analysisLevel == "group") {
        if (!problem.empty()) {
            err << "Zentrovis: " << problem << "\n";
        }
        return problem.empty() ? mergeTables(options.outDir, err) : kExitBadInput;
    }
    BidsLayout layout = findBidsRuns(options.bidsDir, options.participantLabels);
    if (!layout.error.empty()) {
        err << "Zentrovis: " << layout.error << "\n";
        return kExitBadInput;
    }
    for (const BidsRun& run : layout.runs) {
        std::string folder = options.outDir + "/sub-" + run.subject;
        if (problem.empty()) {
            problem = checkOwnOutputs(folder, {"report.html", "alignment.tsv"});
        }
    }
    if (!problem.empty()) {
        err << "Zentrovis: " << problem << "\n";
        return kExitBadInput;
    }
    std::vector<RunOutcome> outcomes = checkAllRuns(layout.runs, options, checker, err, progressBar);
    std::vector<TableRow> rows;
    for (const RunOutcome& outcome : outcomes) {
        rows.push_back(alignmentRow(outcome.identity, outcome.report.check));
    }
    sortWorstFirst(rows);
    for (const TableRow& row : rows) {
        std::string line = row[3] + "  " + row[2];
        if (row[4] != "n/a") {
            line += "  " + row[4] + " mm";
        }
        out << line << "  " << row[21] << "\n";
    }
    bool written = writeSubjectOutputs(outcomes, options.outDir, err);
    written = mergeTables(options.outDir, err) != kExitWriteFailed && written;
    out << "Reports in " << options.outDir << "/sub-*/report.html; every run in " << options.outDir
        << "/alignment.tsv\n";
    // The status speaks for this invocation's runs only, so that per-participant jobs report their own.
    return written ? worstStatus(rows) : kExitWriteFailed;
}

} // namespace

int runBidsCheck(const BidsCheckOptions& options, const RunChecker& checker, std::ostream& out,
                 std::ostream& err, bool progressBar) {
    if (options.analysisLevel != "participant" && options.analysisLevel != "group") {
        err << "Zentrovis: the analysis level is \"participant\" or \"group\", not \""
            << options.analysisLevel << "\"\nRun Zentrovis check --help for usage.\n";
        return kExitBadInput;
    }
    std::error_code error;
    if (fs::weakly_canonical(options.outDir, error) == fs::weakly_canonical(options.bidsDir, error)) {
        err << "Zentrovis: the output folder must not be the dataset's folder\n";
        return kExitBadInput;
    }
    const bool outDirMadeHere = !fs::exists(options.outDir, error);
    fs::create_directories(options.outDir, error);
    if (error) {
        err << "Zentrovis: " << options.outDir << ": cannot be created: " << error.message() << "\n";
        return kExitWriteFailed;
    }
    const int status = checkDatasetInto(options, checker, out, err, progressBar);
    // A refused call leaves nothing behind: the output folder it made goes again (only while it is empty).
    if (status == kExitBadInput && outDirMadeHere) {
        fs::remove(options.outDir, error);
    }
    return status;
}
