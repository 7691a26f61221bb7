// `Zentrovis check BIDS_DIR OUT_DIR participant|group [--participant-label L ...]`: the alignment check
// of every functional run of a BIDS dataset against its subject's anatomical.
//
// participant: checks the runs of the chosen participants (all by default) on worker threads and writes
// OUT_DIR/sub-X/report.html, OUT_DIR/sub-X/alignment.tsv and each searched run's transform files for each,
// nothing else but a missing OUT_DIR/dataset_description.json: any number of participant calls may run at
// once on one OUT_DIR. group: merges every sub-*/alignment.tsv into OUT_DIR/alignment.tsv (worst first) and
// writes the group report OUT_DIR/report.html and OUT_DIR/dataset_description.json.
#ifndef POSALIGN_HOST_DATASET_CHECK_BIDS_CHECK_H
#define POSALIGN_HOST_DATASET_CHECK_BIDS_CHECK_H

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/alignment_check/alignment_result.h"
#include "host/nifti/nifti_file.h"

struct BidsCheckOptions {
    std::string bidsDir, outDir;
    std::string analysisLevel; // "participant" or "group"
    std::vector<std::string> participantLabels;
    int workers = 2;                // runs checked at the same time
    bool verdictExitStatus = false; // exit with the worst verdict's status (0/4/5) instead of 0
    std::string programVersion;     // for dataset_description.json's GeneratedBy
    std::string commandLine;
    bool writeCorrected = false; // also each run with its header corrected, beside its transform files
};

// Checks one functional image against an anatomical image; fills everything but the two paths.
using RunChecker = std::function<RunCheck(const NiftiImage& anatomical, const NiftiImage& functional)>;

// Runs one level over the dataset: a verdict line per run on out, problems on err (names escaped), the
// progress bar on err when progressBar is true. Exit status once every output is written: 0 when every run
// was checked, whatever its verdict, 6 when a run could not be checked (its row says why); with
// verdictExitStatus instead 0 when every run passes, 4 when the worst is a warn, 5 when the worst is a fail
// (a run that could not be checked is a fail). 2 for a bad dataset, level or table in OUT_DIR (nothing is
// written), 3 when an output cannot be written.
int runBidsCheck(const BidsCheckOptions& options, const RunChecker& checker, std::ostream& out,
                 std::ostream& err, bool progressBar);

#endif
