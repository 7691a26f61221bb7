// One run of the stand-in host: open the documents, check the outputs may be written, run the plug-in with
// the host's callbacks wired to the terminal and the output folder, write what the run produced.
#ifndef POSALIGN_HOST_PLUGIN_RUN_HOST_SESSION_H
#define POSALIGN_HOST_PLUGIN_RUN_HOST_SESSION_H

#include <iosfwd>
#include <string>
#include <vector>

#include "host/plugin_run/run_options.h"
#include "host/terminal/exit_status.h"

// The terminal the session talks to. interactive: a person can answer prompts on in.
struct SessionStreams {
    std::istream& in;
    std::ostream& log;   // the plug-in's log lines
    std::ostream& notes; // the host's own messages, prompts and errors
    bool interactive;
    bool notesOnTerminal = false; // notes reach a terminal: progress lines may be drawn on it
};

// Runs the session and returns the exit status. A run on files (not the phantom) without --no-report also
// writes report.html.
int runHostSession(const AppOptions& options, SessionStreams& streams);

#endif
