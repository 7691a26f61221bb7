// One run of the execute command with its storage and projections supplied by the caller.
#ifndef POSALIGN_COMMAND_COMMAND_RUN_H
#define POSALIGN_COMMAND_COMMAND_RUN_H

#include "command/projection_set.h"
#include "command/run_memory.h"

// The intake, the chosen mapping, the window refresh and the release of everything the run allocated, then
// "Finished.\n" and true. False (after one log line giving the reason) when the workspace is refused or
// the intake cannot go on; everything allocated so far is released then too.
bool runCommandWith(const RunMemory& memory, const ProjectionSet& projections);

#endif
