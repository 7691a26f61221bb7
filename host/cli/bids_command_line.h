// The command line of the dataset-wide check, in the BIDS-Apps form:
//   Zentrovis check BIDS_DIR OUT_DIR participant|group [--participant-label L ...] [--workers N]
#ifndef POSALIGN_HOST_CLI_BIDS_COMMAND_LINE_H
#define POSALIGN_HOST_CLI_BIDS_COMMAND_LINE_H

#include <iosfwd>

#include "host/dataset_check/bids_check.h"

// True when the check's arguments (argv[0] is "check") begin with one that is not an option (a dataset
// folder).
bool isBidsCheckCommand(int argc, const char* const* argv);

// Parses the check's arguments (argv[0] is "check") and runs runBidsCheck with the checker; help on out,
// misuse on err (exit status 2). The progress bar is shown when progressBar is true.
int runBidsCheckCommand(int argc, const char* const* argv, const RunChecker& checker, std::ostream& out,
                        std::ostream& err, bool progressBar);

#endif
