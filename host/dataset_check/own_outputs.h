// How the dataset check writes into a folder of OUT_DIR: all of a folder's outputs together, replacing only
// what the folder's output record says a run of the check wrote there.
#ifndef POSALIGN_HOST_DATASET_CHECK_OWN_OUTPUTS_H
#define POSALIGN_HOST_DATASET_CHECK_OWN_OUTPUTS_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct OutputRun;

// Stages further outputs of a folder into its run, beside the texts; empty text on success, else "PATH:
// reason".
using StageMoreOutputs = std::function<std::string(OutputRun& run)>;

// A file's name in its folder and its whole text.
using NamedText = std::pair<std::string, std::string>;

// Empty text when the check may write names into folder (nothing there, or what its record lists, or one of
// alsoOurs), else "PATH: reason" for the first it may not.
std::string checkOwnOutputs(const std::string& folder, const std::vector<std::string>& names,
                            const std::vector<std::string>& alsoOurs = {});

// Puts the texts (and what stageMore stages, when given) into folder (made when missing) together, replacing
// only what the folder's record lists or alsoOurs names, and records them. Empty text on success, else "PATH:
// reason" and the folder is as it was.
std::string writeOwnOutputs(const std::string& folder, const std::vector<NamedText>& texts,
                            const std::vector<std::string>& alsoOurs = {},
                            const StageMoreOutputs& stageMore = nullptr);

// Puts one text at folder/name only while that name is free; a file another process put there first is
// kept (also success). Empty text on success, else "PATH: reason".
std::string writeUnlessPresent(const std::string& folder, const NamedText& text);

// The whole content of a regular file, at most maxBytes; empty when there is none or it is larger.
std::string readSmallFile(const std::string& path, size_t maxBytes);

#endif
