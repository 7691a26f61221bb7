// Writing the dataset check's files through the host's staged, all-or-none output runs.
#include "host/dataset_check/own_outputs.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "host/output_files/output_files.h"

namespace {

OutputPolicy ownOutputsPolicy(const std::string& folder, const std::vector<std::string>& alsoOurs) {
    OutputPolicy policy;
    policy.force = true;
    policy.onlyRecorded = true;
    policy.recorded = readOutputRecord(folder);
    policy.recorded.insert(policy.recorded.end(), alsoOurs.begin(), alsoOurs.end());
    return policy;
}

std::string writeTexts(const std::string& folder, const OutputPolicy& policy,
                       const std::vector<NamedText>& texts, const StageMoreOutputs& stageMore = nullptr) {
    OutputRun run;
    std::string problem = beginOutputRun(folder, policy, run);
    for (const NamedText& named : texts) {
        if (problem.empty()) {
            const std::string& text = named.second;
            problem = stageOutput(run, named.first,
                                  [&text](const std::string& staged) { return writeTextFile(staged, text); });
            problem = problem.empty() ? "" : folder + "/" + named.first + ": " + problem;
        }
    }
    if (problem.empty() && stageMore) {
        problem = stageMore(run);
    }
    problem = problem.empty() ? commitOutputRun(run) : problem;
    if (!problem.empty()) {
        abandonOutputRun(run);
    }
    return problem;
}

} // namespace

std::string checkOwnOutputs(const std::string& folder, const std::vector<std::string>& names,
                            const std::vector<std::string>& alsoOurs) {
    OutputPolicy policy = ownOutputsPolicy(folder, alsoOurs);
    for (const std::string& name : names) {
        std::string problem = checkOutputAllowed(policy, folder + "/" + name);
        if (!problem.empty()) {
            return folder + "/" + name + ": " + problem;
        }
    }
    return "";
}

std::string writeOwnOutputs(const std::string& folder, const std::vector<NamedText>& texts,
                            const std::vector<std::string>& alsoOurs, const StageMoreOutputs& stageMore) {
    return writeTexts(folder, ownOutputsPolicy(folder, alsoOurs), texts, stageMore);
}

std::string writeUnlessPresent(const std::string& folder, const NamedText& text) {
    const std::string path = folder + "/" + text.first;
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) {
        return "";
    }
    // Without force the commit takes the name only while it is free, so of several processes that reach
    // here at once exactly one puts its file in place; the others find the name taken, which is fine.
    std::string problem = writeTexts(folder, OutputPolicy{}, {text});
    return problem.empty() || lstat(path.c_str(), &info) == 0 ? "" : problem;
}

std::string readSmallFile(const std::string& path, size_t maxBytes) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<size_t>(info.st_size) > maxBytes) {
        return "";
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
