// The second half of a run: the chosen projection, then write-back and saving of the changed FMRs.
#ifndef POSALIGN_COMMAND_MAPPING_DISPATCH_H
#define POSALIGN_COMMAND_MAPPING_DISPATCH_H

#include "command/run_working_set.h"
#include "host_api/host_function_table.h"

// Runs set.mapping: FMR(s) painted into the VMR (nothing saved); the VMR resampled into each FMR, each
// then written back and saved as "<prefix>_VMR"; or both FMRs painted into the VMR with FMR 1 saved as
// "<prefix>_from_<FMR 2 prefix>" (with one FMR only it falls back to painting FMR 1, nothing saved). Each
// projection's factors and measures are logged after it, and every painting is followed by a redraw.
void dispatchMapping(const HostFunctionTable& host, RunWorkingSet& set);

#endif
