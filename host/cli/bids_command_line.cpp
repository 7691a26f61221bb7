// Parsing the BIDS-Apps form of `Zentrovis check` with CLI11.
#include "host/cli/bids_command_line.h"

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>
#include <thread>

#include "host/cli/option_parsing.h"
#include "host/terminal/program_version.h"

namespace {

// The command line as a shell would take it back: words with other than plain characters single-quoted.
std::string commandLineText(int argc, const char* const* argv) {
    std::string text = "Zentrovis";
    for (int i = 0; i < argc; ++i) {
        const std::string word = argv[i];
        const bool plain =
            !word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                    "0123456789_./=:@%+,-") == std::string::npos;
        std::string quoted = "'";
        for (char c : word) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        text += " " + (plain ? word : quoted + "'");
    }
    return text;
}

} // namespace

bool isBidsCheckCommand(int argc, const char* const* argv) {
    return argc >= 2 && argv[1][0] != '-';
}

int runBidsCheckCommand(int argc, const char* const* argv, const RunChecker& checker, std::ostream& out,
                        std::ostream& err, bool progressBar) {
    BidsCheckOptions options;
    options.programVersion = programVersion();
    options.commandLine = commandLineText(argc, argv);
    options.workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    CLI::App app{
        "Checks every functional run (func/*_bold.nii[.gz]) of a BIDS dataset against the T1-weighted "
        "anatomical of its subject (anat/*_T1w.nii[.gz], of the run's session where it has one) and "
        "writes one HTML report per subject and a table of all runs, worst first.",
        "Zentrovis check"};
    app.add_option("bids_dir", options.bidsDir, "The BIDS dataset's folder")->required()->option_text("DIR");
    app.add_option("output_dir", options.outDir,
                   "Folder for the reports and the table (created when missing)")
        ->required()
        ->option_text("DIR");
    app.add_option(
           "analysis_level", options.analysisLevel,
           "participant: check the runs and write each participant's report and table; group: merge the "
           "participants' tables into output_dir/alignment.tsv and write the group report")
        ->required()
        ->check(CLI::IsMember({"participant", "group"}).description(""))
        ->option_text("participant or group");
    app.add_option("--participant-label,--participant_label", options.participantLabels,
                   "The participants to check (labels with or without sub-); all when left out")
        ->expected(1, -1)
        ->option_text("LABEL ...");
    app.add_option("--workers", options.workers,
                   "Runs checked at the same time (default: the number of cores)")
        ->check(CLI::Range(1, 64).description(""))
        ->option_text("1 to 64");
    app.add_flag("--write-corrected", options.writeCorrected,
                 "Also write each run with its sform and qform set to the corrected position, as "
                 "sub-<label>/<run>_desc-corrected_bold.nii.gz");
    app.add_flag("--verdict-exit-status", options.verdictExitStatus,
                 "Exit with the worst verdict's status (0 pass, 4 warn, 5 fail) instead of 0");
    app.footer(
        "Outputs: participant writes only output_dir/sub-<label>/ (report.html, alignment.tsv and each\n"
        "run's transform files <run>_from-boldref_to-T1w_mode-image_xfm.txt/.mat/.json), so any\n"
        "number of participant calls may run at once; group then writes output_dir/alignment.tsv (every\n"
        "run, worst first) and output_dir/report.html. Both write output_dir/dataset_description.json.\n"
        "Exit status: 0 every run was checked, whatever its verdict (the verdicts are in the outputs),\n"
        "6 a run could not be checked (its row says why), 2 bad command line, dataset or table,\n"
        "3 an output could not be written. With --verdict-exit-status: 0 every run passes, 4 the worst\n"
        "is a warn, 5 the worst is a fail (a run that could not be checked is a fail).");
    if (const std::optional<int> stop = parseOptions(app, argc, argv, "Zentrovis check", out, err)) {
        return *stop;
    }
    return runBidsCheck(options, checker, out, err, progressBar);
}
