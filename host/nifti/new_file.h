// Creating a file that did not exist: the one way every writer of the host opens its outputs, so that no
// output ever goes through a link or over a file already there.
#ifndef POSALIGN_HOST_NIFTI_NEW_FILE_H
#define POSALIGN_HOST_NIFTI_NEW_FILE_H

#include <string>

// Creates a new file for writing: never through a symbolic link, never an existing name. Returns the
// descriptor, or -1 with errno set.
int createNewFile(const std::string& path);

#endif
