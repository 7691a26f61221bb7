// Parsing the BIDS-Apps form of `Zentrovis check` with CLI11.
#include "host/cli/bids_command_line.h"

#include <CLI/CLI.hpp>

#include <ostream>
#include <thread>

#include "host/cli/option_parsing.h"

bool isBidsCheckCommand(int argc, const char* const* argv) {
    return argc >= 2 && argv[1][0] != '-';
}

int runBidsCheckCommand(int argc, const char* const* argv, const RunChecker& checker, std::ostream& out,
                        std::ostream& err, bool progressBar) {
    BidsCheckOptions options;
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
           "participant: check the runs and write the reports; group: only merge the subjects' tables "
           "in output_dir into output_dir/alignment.tsv")
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
    app.footer(
        "Outputs: output_dir/sub-<label>/report.html and alignment.tsv for each participant, and\n"
        "output_dir/alignment.tsv with one row per run of every participant in output_dir.\n"
        "Exit status: 0 every run passes, 4 the worst is a warn, 5 the worst is a fail (a run that\n"
        "could not be checked is a fail), 2 bad command line or dataset, 3 an output could not be written.");
    if (const std::optional<int> stop = parseOptions(app, argc, argv, "Zentrovis check", out, err)) {
        return *stop;
    }
    return runBidsCheck(options, checker, out, err, progressBar);
}
