// Parsing a command line with CLI11 the one way every Zentrovis command does: the help on standard output,
// a refused command line as one line and a hint on standard error, exit status 2.
#ifndef POSALIGN_HOST_CLI_OPTION_PARSING_H
#define POSALIGN_HOST_CLI_OPTION_PARSING_H

#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

// Parses argv with app, which gains --version. Nothing when the command goes on; else the status to exit
// with at once: 0 once the help or "<command> <version>" is on out, 2 once the parser's complaint is on err
// (as refuseCommandLine words it).
std::optional<int> parseOptions(CLI::App& app, int argc, const char* const* argv, const std::string& command,
                                std::ostream& out, std::ostream& err);

// Writes "<command>: <problem>" (control characters escaped) and a hint to run `<command> --help` on err;
// returns 2.
int refuseCommandLine(std::ostream& err, const std::string& command, const std::string& problem);

#endif
