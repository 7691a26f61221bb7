// One run of the stand-in host: open the documents, check the outputs may be written, run the plug-in with
// the host's callbacks wired to the terminal and the output folder, write what the run produced.
#ifndef POSALIGN_HOST_APP_HOST_SESSION_H
#define POSALIGN_HOST_APP_HOST_SESSION_H

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/app/command_line.h"

// Exit statuses of the program.
enum ExitStatus {
    kExitFinished = 0,      // execute returned true
    kExitPluginStopped = 1, // initPlugin or execute returned false
    kExitBadInput = 2,      // bad command line or input; nothing written
    kExitWriteFailed = 3,   // an output could not be written
};

// The terminal the session talks to. interactive: a person can answer prompts on in.
struct SessionStreams {
    std::istream& in;
    std::ostream& log;   // the plug-in's log lines
    std::ostream& notes; // the host's own messages, prompts and errors
    bool interactive;
    bool notesOnTerminal = false; // notes reach a terminal: progress lines may be drawn on it
};

// Finishes the report begun alongside a run: given the run's log, waits for the report's work and returns
// the text of report.html.
using FinishRunReport = std::function<std::string(const std::string& pluginLog)>;

// Begins a run's report from the paths of its anatomical and functional files as the run starts; its work
// goes on alongside the run, and stops when the run drops it unfinished.
using BeginRunReport = std::function<FinishRunReport(const std::string& anatomicalPath,
                                                     const std::vector<std::string>& functionalPaths)>;

// Runs the session and returns the exit status. With beginReport set, a run on files (not the phantom)
// without --no-report also writes report.html.
int runHostSession(const AppOptions& options, SessionStreams& streams,
                   const BeginRunReport& beginReport = nullptr);

#endif
