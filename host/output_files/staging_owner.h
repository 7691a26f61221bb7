// Private staging folders that name their owner: `.zentrovis-run-<machine>-<pid>-<start>-XXXXXX`, where
// machine is a hash of the host name and the process-id namespace, and start the owner's start time. A run
// killed outright (SIGKILL, power loss) cannot remove its folder; a later run removes it once the folder's
// owner is known to be gone, and never the folder of a run that may still be alive.
#ifndef POSALIGN_HOST_OUTPUT_FILES_STAGING_OWNER_H
#define POSALIGN_HOST_OUTPUT_FILES_STAGING_OWNER_H

#include <string>

// The prefix every staging folder's name starts with.
const char kStagingPrefix[] = ".zentrovis-run-";

// The mkdtemp pattern of a staging folder of this process inside folder.
std::string stagingFolderPattern(const std::string& folder);

// True only when the staging folder called name (no path) was made by a process of this machine and
// namespace that has ended: its pid is unused, or used by a process that started at another time. A name
// of another form, another machine's, or one whose owner may be alive gives false.
bool stagingOwnerIsGone(const std::string& name);

// Removes from folder every staging folder whose owner is gone, with the regular files in it (links are
// removed, never followed). Returns how many folders were removed.
int removeAbandonedStaging(const std::string& folder);

#endif
