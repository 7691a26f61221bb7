// The execute command after the version gate: intake, the user's choice, the projection, write-back.
#ifndef POSALIGN_COMMAND_RUN_COMMAND_H
#define POSALIGN_COMMAND_RUN_COMMAND_H

// Runs one check on the host's open documents through the bound host table. True when the run reached
// its end ("Finished." logged); false when the workspace was refused or the run could not proceed.
bool runPosalignCommand(void);

#endif
