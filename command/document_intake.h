// The first half of a run: from the opening log lines to the user's choice of mapping.
//
// Checks the workspace (VMR first, then an FMR, optionally a second FMR), copies each FMR's first volume
// into a FloatVolume, compares two FMRs of equal voxel count, normalises the volumes to 0..225, reads the
// VMR's records, has the host compute each FMR's initial alignment (logged), and asks for the mapping.
#ifndef POSALIGN_COMMAND_DOCUMENT_INTAKE_H
#define POSALIGN_COMMAND_DOCUMENT_INTAKE_H

#include "command/run_memory.h"
#include "command/run_working_set.h"
#include "host_api/host_function_table.h"

// Fills set (which must be empty) and returns true with the user's mapping in set.mapping. False when the
// workspace is refused or the run cannot go on; the reason has then been logged in one line, and set holds
// whatever was allocated so far for the caller to release.
bool gatherRunWorkingSet(const HostFunctionTable& host, RunWorkingSet& set, const RunMemory& memory);

#endif
