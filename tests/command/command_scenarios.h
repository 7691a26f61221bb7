// Building blocks of the expected host call sequences of a run, shared by the command tests.
#ifndef POSALIGN_TESTS_COMMAND_COMMAND_SCENARIOS_H
#define POSALIGN_TESTS_COMMAND_COMMAND_SCENARIOS_H

#include <string>
#include <vector>

using CallList = std::vector<std::string>;

// Appends the parts of rest to calls.
inline void append(CallList& calls, const CallList& rest) {
    calls.insert(calls.end(), rest.begin(), rest.end());
}

// The opening lines and the document check up to the type of document 1 (or 2 when documentCount >= 3).
CallList workspaceCheckCalls(int documentCount);

// Making FMR k current and reading its header, scanner position and (for types 1 and 2) samples.
CallList fmrReadCalls(int document, int dataType);

// Reading the VMR's records.
CallList vmrReadCalls();

// The initial alignment of FMR k: the host call and the logged IaMatrix (values as the recording host writes
// them by default: the identity).
CallList initialAlignmentCalls(int document);

// The mapping prompt.
std::string promptCall();

// The end of every run that reached the dispatch.
CallList runEndCalls();

// The calls with the log lines and redraws the run adds after each recorded projection call, for the
// all-zero results the recording projections return.
CallList withProjectionLogs(const CallList& calls);

// The matrix text of sixteen values as the log shows it.
std::string matrixText(const std::string& title, const float values[16]);

#endif
