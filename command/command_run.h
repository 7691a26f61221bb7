// One run of the execute command, after the binding and the version gate.
#ifndef POSALIGN_COMMAND_COMMAND_RUN_H
#define POSALIGN_COMMAND_COMMAND_RUN_H

#include "command/run_memory.h"
#include "host_api/host_function_table.h"

// Runs one check on the host's open documents through the bound table (every called entry present): the
// intake, the chosen mapping, the window refresh and the release of everything the run took from memory,
// then "Finished.\n" and true. False (after one log line giving the reason) when the workspace is refused
// or the intake cannot go on; everything allocated so far is released then too.
bool runPosalignCommand(const HostFunctionTable& host, const RunMemory& memory);

#endif
