// `Zentrovis check`: the alignment check of functional runs against an anatomical, from the command line.
#ifndef POSALIGN_HOST_CLI_CHECK_COMMAND_H
#define POSALIGN_HOST_CLI_CHECK_COMMAND_H

#include <iosfwd>

// Runs the check; argv[0] is "check". Verdict lines go to out, refusals and problems to err. Returns the
// exit status.
int runCheckCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

#endif
