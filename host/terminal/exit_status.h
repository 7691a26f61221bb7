// The exit statuses of every Zentrovis command, defined once.
#ifndef POSALIGN_HOST_TERMINAL_EXIT_STATUS_H
#define POSALIGN_HOST_TERMINAL_EXIT_STATUS_H

enum ExitStatus {
    kExitFinished = 0,      // the run finished; the check: every run passed
    kExitPluginStopped = 1, // initPlugin or execute returned false
    kExitBadInput = 2,      // a bad command line or input; nothing written
    kExitWriteFailed = 3,   // an output could not be written; nothing kept
    kExitWorstIsWarn = 4,   // the check: the worst verdict is a warn
    kExitWorstIsFail = 5,   // the check: the worst verdict is a fail (a run that could not be checked fails)
    kExitUnchecked = 6,     // the dataset check: every output written, but a run could not be checked
};

#endif
