// The check subcommand: checks each functional against the anatomical, prints each verdict as it is
// reached, then writes alignment.json, alignment.tsv and report.html.
#include "host/cli/check_command.h"
#include "host/terminal/exit_status.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <fstream>
#include <map>
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
#include "host/alignment_check/given_transform.h"
#include "host/alignment_check/transform_outputs.h"
#include "host/alignment_check/verdict.h"

namespace {

struct CheckOptions {
    std::string anatomicalPath;
    std::vector<std::string> functionalPaths;
    std::vector<std::string> transformPaths;
    std::string outDir = "alignment-check";
    bool force = false;
    bool writeCorrected = false;
};

// problem names the user's files: printed with control characters escaped.
int refuse(std::ostream& err, const std::string& problem, int status) {
    err << "Zentrovis check: " << printableText(problem) << "\n";
    return status;
}

// Empty text when every run's outputs have names of their own; else the clash.
std::string findNameClash(const std::vector<std::string>& functionalPaths, bool withCorrected) {
    std::map<std::string, std::string> owner;
    for (const std::string& path : functionalPaths) {
        for (const std::string& name : transformOutputNames(path, withCorrected)) {
            const auto [entry, isNew] = owner.emplace(name, path);
            if (!isNew) {
                return entry->second + " and " + path + " would both write " + name +
                       "; check them in separate calls with different --out folders";
            }
        }
    }
    return "";
}

// The worst verdict of the given registrations.
Verdict worstGivenVerdict(const std::vector<RunCheck>& checks) {
    Verdict worst = Verdict::kPass;
    for (const RunCheck& check : checks) {
        worst = worseVerdict(worst, check.givenTransform ? check.givenTransform->verdict : Verdict::kFail);
    }
    return worst;
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
    CLI::App app{
        "Checks the alignment of functional runs against an anatomical: header comparison in world "
        "terms, a search of rigid positions by a local correlation inside the functional's brain (also "
        "mirrored along each axis and with two axes swapped), and a verdict per run.",
        "Zentrovis check"};
    app.add_option("--vmr", o.anatomicalPath, "Anatomical image (.nii or .nii.gz, 3-D)")->required();
    app.add_option("--fmr", o.functionalPaths,
                   "Functional image (.nii or .nii.gz, 3-D or 4-D); repeat for more runs")
        ->required();
    app.add_option("--out", o.outDir,
                   "Folder for alignment.json, alignment.tsv and report.html (created when missing)")
        ->capture_default_str();
    app.add_option(
        "--xfm", o.transformPaths,
        "A registration of the functional onto the anatomical to judge: an ITK/ANTs transform "
        "(text, or ANTs' binary .mat) or an FSL matrix with --fmr as input and --vmr as reference; "
        "one per --fmr, in the same order");
    app.add_flag("--write-corrected", o.writeCorrected,
                 "Also write each functional with its sform and qform set to the corrected position (data "
                 "and every other header field unchanged)");
    app.add_flag("--force", o.force, "Replace outputs of an earlier check when they exist");
    app.footer(
        "Example:\n"
        "  Zentrovis check --vmr anat.nii.gz --fmr run1.nii.gz --fmr run2.nii.gz --out qc\n"
        "A whole BIDS dataset (see Zentrovis check BIDS_DIR OUT_DIR participant --help):\n"
        "  Zentrovis check BIDS_DIR OUT_DIR participant [--participant-label 01 02 ...]\n"
        "\n"
        "Outputs per run: FUNC_from-boldref_to-T1w_mode-image_xfm.txt (ITK/ANTs: antsApplyTransforms\n"
        "-i FUNC -r ANAT -t FILE resamples the run onto the anatomical), the same as an FSL matrix (.mat:\n"
        "flirt -in FUNC -ref ANAT -applyxfm -init FILE) and a JSON sidecar (.json); with --write-corrected\n"
        "also FUNC_corrected.nii.gz (FUNC_desc-corrected_bold.nii.gz for a BIDS run).\n"
        "\n"
        "Verdict per run: pass (mean displacement to the best match at most 2 mm, known to 1 mm), warn (at\n"
        "most 5 mm), fail (more, a mirror or axis swap the images decide, or too little overlap),\n"
        "inconclusive (the images cannot tell: too little shared structure, or an orientation too close to\n"
        "call, left-right included). Each verdict comes with a confidence from 0 to 1.\n"
        "Exit status: 0 every run passes, 4 the worst is a warn or inconclusive, 5 the worst is a fail\n"
        "(with --xfm: the verdicts of the given registrations, pass within 2 mm of the best position, warn\n"
        "within 5 mm),\n"
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

    if (!o.transformPaths.empty() && o.transformPaths.size() != o.functionalPaths.size()) {
        return refuse(err,
                      "--xfm is given " + std::to_string(o.transformPaths.size()) +
                          (o.transformPaths.size() == 1 ? " time" : " times") + " for " +
                          std::to_string(o.functionalPaths.size()) +
                          (o.functionalPaths.size() == 1 ? " --fmr run" : " --fmr runs") +
                          "; give one per --fmr, in the same order",
                      2);
    }
    std::vector<ReadTransform> given;
    for (const std::string& path : o.transformPaths) {
        given.push_back(readTransformFile(path));
        if (!given.back().error.empty()) {
            return refuse(err, path + ": " + given.back().error, 2);
        }
    }
    const std::string clash = findNameClash(o.functionalPaths, o.writeCorrected);
    if (!clash.empty()) {
        return refuse(err, clash, 2);
    }

    OutputPolicy policy;
    policy.force = o.force;
    policy.inputPaths = o.functionalPaths;
    policy.inputPaths.push_back(o.anatomicalPath);
    const std::string jsonPath = o.outDir + "/alignment.json";
    const std::string tsvPath = o.outDir + "/alignment.tsv";
    const std::string reportPath = o.outDir + "/report.html";
    std::vector<std::string> outputPaths{jsonPath, tsvPath, reportPath};
    for (const std::string& functionalPath : o.functionalPaths) {
        for (const std::string& name : transformOutputNames(functionalPath, o.writeCorrected)) {
            outputPaths.push_back(o.outDir + "/" + name);
        }
    }
    for (const std::string& path : outputPaths) {
        const std::string problem = checkOutputAllowed(policy, path);
        if (!problem.empty()) {
            return refuse(err, path + ": " + problem, 2);
        }
    }

    // Whatever needs the images (the transform files, the judgement of a given registration) is made while
    // each run's images are held.
    std::vector<RunTransformOutputs> transforms(o.functionalPaths.size());
    const CheckedRunHook withImages = [&](size_t index, const NiftiImage& anatomical,
                                          const NiftiImage& functional, RunCheck& check) {
        if (!given.empty()) {
            check.givenTransform = judgeGivenTransform(o.transformPaths[index], given[index], check,
                                                       anatomical, functional, CheckSettings{});
        }
        transforms[index] = runTransformOutputs(check, anatomical, functional, o.writeCorrected);
    };
    const CheckedRuns checked = checkRunsFromFiles(
        o.anatomicalPath, o.functionalPaths,
        [&out](const RunCheck& check) { out << verdictLines(check) << std::flush; }, nullptr, withImages);
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
    for (const RunTransformOutputs& outputs : transforms) {
        problem = problem.empty() ? stageRunTransforms(run, outputs) : problem;
    }
    problem = problem.empty() ? commitOutputRun(run) : problem;
    if (!problem.empty()) {
        abandonOutputRun(run);
        return refuse(err, problem, 3);
    }
    const Verdict worst = given.empty() ? worstVerdict(checks) : worstGivenVerdict(checks);
    // An inconclusive run needs a look, as a warn does.
    return worst == Verdict::kPass                                      ? kExitFinished
           : worst == Verdict::kWarn || worst == Verdict::kInconclusive ? kExitWorstIsWarn
                                                                        : kExitWorstIsFail;
}
