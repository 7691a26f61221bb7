// Placeholder until the command driver lands: the run ends right after the version gate.
#include "command/run_command.h"

bool runPosalignCommand(void) { return true; }
