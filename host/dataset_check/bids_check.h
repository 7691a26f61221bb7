// `Zentrovis check BIDS_DIR OUT_DIR participant|group [--participant-label L ...]`: the alignment check
// of every functional run of a BIDS dataset against its subject's anatomical.
//
// participant: checks the runs of the chosen participants (all by default) on two threads, writes
// OUT_DIR/sub-X/report.html and OUT_DIR/sub-X/alignment.tsv for each, then OUT_DIR/alignment.tsv merged from
// every sub-*/alignment.tsv in OUT_DIR. group: only the merge, for after per-participant jobs on a cluster.
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
    int workers = 2; // runs checked at the same time
};

// Checks one functional image against an anatomical image; fills everything but the two paths.
using RunChecker = std::function<RunCheck(const NiftiImage& anatomical, const NiftiImage& functional)>;

// Runs the check over the dataset: a verdict line per run on out, problems on err, the progress bar on err
// when progressBar is true. Exit status 0 when every run passes, 4 when the worst is a warn, 5 when the worst
// is a fail (a run that could not be checked is a fail), 2 for a bad dataset or level, 3 when an output
// cannot be written.
int runBidsCheck(const BidsCheckOptions& options, const RunChecker& checker, std::ostream& out,
                 std::ostream& err, bool progressBar);

#endif
