// The dataset-wide check: runs paired, checked on worker threads, pictured, reported and tabled.
#include "host/dataset_check/bids_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
#include "host/alignment_check/transform_outputs.h"
#include "host/dataset_check/bids_layout.h"
#include "host/alignment_report/check_report.h"
#include "host/alignment_report/html_report.h"
#include "host/dataset_check/dataset_description.h"
#include "host/dataset_check/group_report.h"
#include "host/dataset_check/own_outputs.h"
#include "host/terminal/printable_text.h"
#include "host/terminal/progress_bar.h"
#include "host/terminal/number_text.h"
#include "host/terminal/exit_status.h"

namespace fs = std::filesystem;

namespace {

const char kDescriptionName[] = "dataset_description.json";

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
    RunTransformOutputs transforms; // present only for a run the check searched
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

// The run's report entry; its transform outputs into transforms (while its images are held).
ReportRun checkOneRun(const BidsRun& run, SharedAnatomy* anatomy, const RunChecker& checker,
                      bool writeCorrected, RunTransformOutputs& transforms) {
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
    transforms = runTransformOutputs(check, anatomy->read.image, functional.image, writeCorrected);
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
                outcomes[i].report = checkOneRun(runs[i], anatomyOfRun[i], checker, options.writeCorrected,
                                                 outcomes[i].transforms);
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

// The exit status of a call whose outputs are all written: by default 0, or kExitUnchecked when a run could
// not be checked; with verdictExitStatus the worst verdict's (a run that could not be checked is a fail).
int finishedStatus(const std::vector<TableRow>& rows, bool verdictExitStatus) {
    bool allChecked = true, anyWarn = false, anyFail = false;
    for (const TableRow& row : rows) {
        allChecked = allChecked && rowWasChecked(row);
        // An inconclusive run needs a look, as a warn does.
        anyWarn = anyWarn || row[kColumnVerdict] == "warn" || row[kColumnVerdict] == "inconclusive";
        anyFail = anyFail || row[kColumnVerdict] == "fail";
    }
    if (verdictExitStatus) {
        return anyFail ? kExitWorstIsFail : anyWarn ? kExitWorstIsWarn : kExitFinished;
    }
    return allChecked ? kExitFinished : kExitUnchecked;
}

GeneratedBy generatedBy(const BidsCheckOptions& options) {
    GeneratedBy by;
    by.version = options.programVersion;
    by.commandLine = options.commandLine;
    return by;
}

// The names in OUT_DIR that earlier calls wrote without a record: a dataset description of this program.
std::vector<std::string> unrecordedOwnFiles(const BidsCheckOptions& options) {
    const std::string text = readSmallFile(options.outDir + "/" + kDescriptionName, 1 << 20);
    return isOurDatasetDescription(text, generatedBy(options)) ? std::vector<std::string>{kDescriptionName}
                                                               : std::vector<std::string>{};
}

// Writes each subject's report and table into OUT_DIR/sub-X only; false when one could not be written.
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
        std::vector<const RunTransformOutputs*> transforms;
        for (const RunOutcome* outcome : subjectOutcomes) {
            rows.push_back(alignmentRow(outcome->identity, outcome->report.check));
            byRun[outcome->identity.run] = outcome;
            transforms.push_back(&outcome->transforms);
        }
        sortWorstFirst(rows);
        ReportPage page;
        page.title = "Alignment check: sub-" + subject;
        for (const TableRow& row : rows) {
            page.runs.push_back(byRun[row[kColumnRun]]->report);
        }
        std::string problem = writeOwnOutputs(
            folder, {{"report.html", reportHtml(page)}, {"alignment.tsv", alignmentTableText(rows)}}, {},
            [&transforms](OutputRun& run) {
                std::string problem;
                for (const RunTransformOutputs* outputs : transforms) {
                    problem = problem.empty() ? stageRunTransforms(run, *outputs) : problem;
                }
                return problem;
            });
        if (!problem.empty()) {
            err << "Zentrovis: " << printableText(problem) << "\n";
            allWritten = false;
        }
    }
    return allWritten;
}

// The participant level: checks the chosen participants' runs and writes only OUT_DIR/sub-X/ for each (and
// OUT_DIR/dataset_description.json when no call has written one), so that any number of these calls may
// run at once on one OUT_DIR.
int checkParticipants(const BidsCheckOptions& options, const RunChecker& checker, std::ostream& out,
                      std::ostream& err, bool progressBar) {
    BidsLayout layout = findBidsRuns(options.bidsDir, options.participantLabels);
    if (!layout.error.empty()) {
        err << "Zentrovis: " << printableText(layout.error) << "\n";
        return kExitBadInput;
    }
    // Every output this call will write is looked at before any run is checked.
    for (const BidsRun& run : layout.runs) {
        std::vector<std::string> names{"report.html", "alignment.tsv"};
        for (const std::string& name : transformOutputNames(run.functionalPath, options.writeCorrected)) {
            names.push_back(name);
        }
        std::string problem = checkOwnOutputs(options.outDir + "/sub-" + run.subject, names);
        if (!problem.empty()) {
            err << "Zentrovis: " << printableText(problem) << "\n";
            return kExitBadInput;
        }
    }
    std::vector<RunOutcome> outcomes = checkAllRuns(layout.runs, options, checker, err, progressBar);
    std::vector<TableRow> rows;
    for (const RunOutcome& outcome : outcomes) {
        rows.push_back(alignmentRow(outcome.identity, outcome.report.check));
    }
    sortWorstFirst(rows);
    for (const TableRow& row : rows) {
        std::string line = row[kColumnVerdict] + "  " + row[kColumnRun];
        if (rowWasChecked(row)) {
            line += "  " + fixedText(strtod(row[kColumnDisplacement].c_str(), nullptr), 2) + " mm";
        }
        out << printableText(line + "  " + row[kColumnReasons]) << "\n";
    }
    bool written = writeSubjectOutputs(outcomes, options.outDir, err);
    std::string problem = writeUnlessPresent(
        options.outDir, {kDescriptionName, datasetDescriptionJson(generatedBy(options), options.bidsDir)});
    if (!problem.empty()) {
        err << "Zentrovis: " << printableText(problem) << "\n";
        written = false;
    }
    out << printableText("Reports in " + options.outDir +
                         "/sub-*/report.html; the table of every run comes with "
                         "the group level (Zentrovis check " +
                         options.bidsDir + " " + options.outDir + " group)")
        << "\n";
    // The status speaks for this call's runs only, so that per-participant jobs report their own.
    return written ? finishedStatus(rows, options.verdictExitStatus) : kExitWriteFailed;
}

// The group level: reads every OUT_DIR/sub-*/alignment.tsv and writes the dataset-wide table, the group
// report and the dataset description into OUT_DIR, together.
int mergeParticipants(const BidsCheckOptions& options, std::ostream& out, std::ostream& err) {
    const std::string& outDir = options.outDir;
    const std::vector<std::string> alsoOurs = unrecordedOwnFiles(options);
    std::string problem =
        checkOwnOutputs(outDir, {"alignment.tsv", "report.html", kDescriptionName}, alsoOurs);
    if (!problem.empty()) {
        err << "Zentrovis: " << printableText(problem) << "\n";
        return kExitBadInput;
    }
    std::vector<std::string> tables;
    std::error_code error;
    for (fs::directory_iterator it(outDir, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const fs::path table = it->path() / "alignment.tsv";
        if (name.rfind("sub-", 0) == 0 && fs::is_regular_file(table, error)) {
            tables.push_back(table.string());
        }
    }
    std::sort(tables.begin(), tables.end());
    if (tables.empty()) {
        err << "Zentrovis: " << printableText(outDir)
            << ": holds no sub-*/alignment.tsv; run the participant level first\n";
        return kExitBadInput;
    }
    std::vector<TableRow> rows;
    for (const std::string& table : tables) {
        ParsedTable parsed = parseAlignmentTable(readWholeFile(table), table);
        if (!parsed.error.empty()) {
            err << "Zentrovis: " << printableText(parsed.error)
                << " (check that participant again to rewrite it)\n";
            return kExitBadInput;
        }
        rows.insert(rows.end(), parsed.rows.begin(), parsed.rows.end());
    }
    sortWorstFirst(rows);
    problem =
        writeOwnOutputs(outDir,
                        {{"alignment.tsv", alignmentTableText(rows)},
                         {"report.html", groupReportHtml(rows)},
                         {kDescriptionName, datasetDescriptionJson(generatedBy(options), options.bidsDir)}},
                        alsoOurs);
    if (!problem.empty()) {
        err << "Zentrovis: " << printableText(problem) << "\n";
        return kExitWriteFailed;
    }
    out << printableText(std::to_string(rows.size()) + " runs of " + std::to_string(tables.size()) +
                         " participants in " + outDir + "/alignment.tsv; the group report is " + outDir +
                         "/report.html")
        << "\n";
    return finishedStatus(rows, options.verdictExitStatus);
}

} // namespace

int runBidsCheck(const BidsCheckOptions& options, const RunChecker& checker, std::ostream& out,
                 std::ostream& err, bool progressBar) {
    if (options.analysisLevel != "participant" && options.analysisLevel != "group") {
        err << "Zentrovis: the analysis level is \"participant\" or \"group\", not \""
            << printableText(options.analysisLevel) << "\"\nRun Zentrovis check --help for usage.\n";
        return kExitBadInput;
    }
    std::error_code error;
    if (fs::weakly_canonical(options.outDir, error) == fs::weakly_canonical(options.bidsDir, error)) {
        err << "Zentrovis: the output folder must not be the dataset's folder\n";
        return kExitBadInput;
    }
    // Folders are made by the output runs themselves (and removed again when they fail), so a refused call
    // leaves nothing behind.
    return options.analysisLevel == "group" ? mergeParticipants(options, out, err)
                                            : checkParticipants(options, checker, out, err, progressBar);
}
