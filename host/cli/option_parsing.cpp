// The help and usage-error handling shared by the host's command lines.
#include "host/cli/option_parsing.h"

#include "host/terminal/exit_status.h"

#include <CLI/CLI.hpp>

#include <ostream>

#include "host/terminal/printable_text.h"
#include "host/terminal/program_version.h"

std::optional<int> parseOptions(CLI::App& app, int argc, const char* const* argv, const std::string& command,
                                std::ostream& out, std::ostream& err) {
    app.set_version_flag("--version", command + " " + programVersion(),
                         "Print the program's name and version");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        return refuseCommandLine(err, command, e.what());
    }
    return std::nullopt;
}

int refuseCommandLine(std::ostream& err, const std::string& command, const std::string& problem) {
    // The parser's complaint quotes the argument it refused, which may be any bytes the user typed.
    err << command << ": " << printableText(problem) << "\nRun " << command << " --help for usage.\n";
    return kExitBadInput;
}
