// Which files a run writes, and the check that all of them may be written before anything is.
#include "host/plugin_run/output_plan.h"

#include <dirent.h>
#include <sys/stat.h>

std::vector<std::string> expectedOutputNames(const std::vector<DocumentSource>& sources, int mapping,
                                             NiftiCompression compression, bool withReport) {
    const std::string ending = niftiEnding(compression);
    std::vector<std::string> names = {kLogFileName, sources[0].stem + "_posalign" + ending};
    if (mapping == 0 || mapping == 2) {
        for (size_t i = 1; i < sources.size(); ++i) {
            names.push_back(sources[i].stem + "_VMR" + ending);
        }
    }
    if ((mapping == 0 || mapping == 3) && sources.size() == 3) {
        names.push_back(sources[1].stem + "_from_" + sources[2].stem + ending);
    }
    if (withReport) {
        names.push_back(kReportFileName);
    }
    return names;
}

std::vector<std::string> existingWindowPictures(const std::string& folder) {
    std::vector<std::string> found;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        return found;
    }
    while (struct dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name.rfind("window-", 0) == 0 && name.size() > 11 &&
            name.compare(name.size() - 4, 4, ".png") == 0) {
            found.push_back(name);
        }
    }
    closedir(directory);
    return found;
}

std::string checkOutputFolder(const std::string& folder, const OutputPolicy& policy,
                              const std::vector<DocumentSource>& sources, int mapping,
                              NiftiCompression compression, bool withReport) {
    std::vector<std::string> names = expectedOutputNames(sources, mapping, compression, withReport);
    for (const std::string& name : names) {
        if (name.size() > kMaxOutputNameLength) {
            return folder + "/" + name + ": would be a name of " + std::to_string(name.size()) +
                   " characters; at most " + std::to_string(kMaxOutputNameLength) +
                   " fit (shorten the input's name)";
        }
        if (folder.size() + 1 + name.size() >= kMaxOutputPathLength) {
            return folder + "/" + name + ": would be a path of more than " +
                   std::to_string(kMaxOutputPathLength - 1) + " characters";
        }
    }
    struct stat info;
    if (stat(folder.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) {
            return folder + ": exists and is not a folder";
        }
    } else {
        return ""; // created later; nothing in it yet
    }
    for (const std::string& picture : existingWindowPictures(folder)) {
        names.push_back(picture);
    }
    for (const std::string& name : names) {
        std::string path = folder + "/" + name;
        std::string problem = checkOutputAllowed(policy, path);
        if (!problem.empty()) {
            return path + ": " + problem;
        }
    }
    return "";
}
