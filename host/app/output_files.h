// Where the host may write, and how: every output goes to a temporary name in its folder first and is
// renamed into place once complete, so an interrupted run leaves no truncated file behind.
#ifndef POSALIGN_HOST_APP_OUTPUT_FILES_H
#define POSALIGN_HOST_APP_OUTPUT_FILES_H

#include <functional>
#include <string>
#include <vector>

// The rules a run writes under.
struct OutputPolicy {
    bool force = false;                  // an existing output may be replaced
    std::vector<std::string> inputPaths; // never written, whatever force says
};

// Empty when path may be written under the policy; else the reason (without the path).
std::string checkOutputAllowed(const OutputPolicy& policy, const std::string& path);

// Lets writeTo fill a temporary file next to path, then renames it to path. On failure the temporary
// file is removed and the reason returned; empty text on success.
std::string writeFileAtomically(const std::string& path,
                                const std::function<std::string(const std::string& temporaryPath)>& writeTo);

// Writes a text file in place (for use inside writeFileAtomically); empty text on success.
std::string writeTextFile(const std::string& path, const std::string& text);

// Writes a text file atomically.
std::string writeTextFileAtomically(const std::string& path, const std::string& text);

// Has an interrupt or termination signal remove the temporary file being written before the process ends.
void installTemporaryFileCleanup();

#endif
