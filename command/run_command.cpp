// The execute command with the C library's storage and the plug-in's own projections.
#include "command/run_command.h"

#include "command/command_run.h"

bool runPosalignCommand(void) {
    return runCommandWith(standardRunMemory(), standardProjectionSet());
}
