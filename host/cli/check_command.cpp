// The check subcommand: checks each functional against the anatomical, prints each verdict as it is
// reached, then writes alignment.json, alignment.tsv and report.html.
#include "host/cli/check_command.h"
#include "host/terminal/exit_status.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <fstream>
#include <ostream>
#include <sstream>

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/alignment_outputs.h"
#include "host/alignment_report/checked_runs.h"
#include "host/cli/option_parsing.h"
#include "host/output_files/output_files.h"
#include "host/plugin_run/output_plan.h"
#include "host/terminal/printable_text.h"
#include "host/cli/bids_command_line.h"
#include "host/alignment_report/check_report.h"

namespace {

struct CheckOptions {
    std::string anatomicalPath;
    std::vector<std::string> functionalPaths;
    std::string outDir = "alignment-check";
    bool force = false;
};

// problem names the user's files: printed with control characters escaped.
int refuse(std::ostream& err, const std::string& problem, int status) {
    err << "Zentrovis check: " << printableText(problem) << "\n";
    return status;
}

} // namespace

int runCheckCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    installRunCleanup();
    if (isBidsCheckCommand(argc, argv)) {
        RunChecker checker = [](const NiftiImage& anatomical, const NiftiImage& functional) {
            return checkAlignment(CheckInputs{"", &anatomical}, CheckInputs{"", &functional},
                                  CheckSettings{});
        };
        return runBidsCheckCommand(argc, argv, checker, out, err, isatty(STDERR_FILENO) != 0);
    }
    CheckOptions o;
    CLI::App app{"Checks the alignment of functional runs against an anatomical: header comparison in world "
                 "terms, a search of nearby rigid positions by normalised mutual information (and of the "
                 "left-right mirrored run), and a verdict per run.",
                 "Zentrovis check"};
    app.add_option("--vmr", o.anatomicalPath, "Anatomical image (.nii or .nii.gz, 3-D)")->required();
    app.add_option("--fmr", o.functionalPaths,
                   "Functional image (.nii or .nii.gz, 3-D or 4-D); repeat for more runs")
        ->required();
    app.add_option("--out", o.outDir,
                   "Folder for alignment.json, alignment.tsv and report.html (created when missing)")
        ->capture_default_str();
    app.add_flag("--force", o.force, "Replace alignment.json, alignment.tsv and report.html when they exist");
    app.footer(
        "Example:\n"
        "  Zentrovis check --vmr anat.nii.gz --fmr run1.nii.gz --fmr run2.nii.gz --out qc\n"
        "A whole BIDS dataset (see Zentrovis check BIDS_DIR OUT_DIR participant --help):\n"
        "  Zentrovis check BIDS_DIR OUT_DIR participant [--participant-label 01 02 ...]\n"
        "\n"
        "Verdict per run: pass (mean displacement to the best match at most 2 mm), warn (at most 5 mm),\n"
        "fail (more, a suspected left-right flip, or too little overlap to judge).\n"
        "Exit status: 0 every run passes, 4 the worst is a warn, 5 the worst is a fail,\n"
        "2 bad command line or input (nothing is written), 3 an output could not be written.");
    if (const std::optional<int> stop = parseOptions(app, argc, argv, "Zentrovis check", out, err)) {
        return *stop;
    }
    if (o.outDir.empty()) {
        return refuse(err, "--out needs a folder name", 2);
    }
    while (o.outDir.size() > 1 && o.outDir.back() == '/') {
        o.outDir.pop_back();
    }

    OutputPolicy policy;
    policy.force = o.force;
    policy.inputPaths = o.functionalPaths;
    policy.inputPaths.push_back(o.anatomicalPath);
    const std::string jsonPath = o.outDir + "/alignment.json";
    const std::string tsvPath = o.outDir + "/alignment.tsv";
    const std::string reportPath = o.outDir + "/report.html";
    for (const std::string& path : {jsonPath, tsvPath, reportPath}) {
        const std::string problem = checkOutputAllowed(policy, path);
        if (!problem.empty()) {
            return refuse(err, path + ": " + problem, 2);
        }
    }

    const CheckedRuns checked =
        checkRunsFromFiles(o.anatomicalPath, o.functionalPaths,
                           [&out](const RunCheck& check) { out << verdictLines(check) << std::flush; });
    if (!checked.error.empty()) {
        return refuse(err, checked.error, 2);
    }
    const std::vector<RunCheck>& checks = checked.checks;

    // The three files go into place together or not at all. The report ends with the plug-in's log when
    // the folder holds one from a plug-in run.
    std::ifstream log(o.outDir + "/" + kLogFileName);
    std::ostringstream logText;
    if (log) {
        logText << log.rdbuf();
    }
    OutputRun run;
    std::string problem = beginOutputRun(o.outDir, policy, run);
    for (const std::pair<std::string, std::string>& named :
         {std::make_pair(std::string("alignment.json"), alignmentJson(o.anatomicalPath, checks)),
          std::make_pair(std::string("alignment.tsv"), alignmentTsv(checks)),
          std::make_pair(std::string("report.html"),
                         checkReportHtml("Alignment check: " + niftiStem(o.anatomicalPath),
                                         checked.reportRuns, logText.str()))}) {
        const std::string& name = named.first;
        const std::string& text = named.second;
        if (problem.empty()) {
            problem = stageOutput(run, name,
                                  [&text](const std::string& staged) { return writeTextFile(staged, text); });
            problem = problem.empty() ? "" : o.outDir + "/" + name + ": " + problem;
        }
    }
    problem = problem.empty() ? commitOutputRun(run) : problem;
    if (!problem.empty()) {
        abandonOutputRun(run);
        return refuse(err, problem, 3);
    }
    const Verdict worst = worstVerdict(checks);
    return worst == Verdict::kPass   ? kExitFinished
           : worst == Verdict::kWarn ? kExitWorstIsWarn
                                     : kExitWorstIsFail;
}
