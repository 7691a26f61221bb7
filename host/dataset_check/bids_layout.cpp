// Walking a BIDS dataset's subject and session folders.
#include "host/dataset_check/bids_layout.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The stem before one of the endings, or the empty text.
std::string stemBefore(const std::string& name, const std::string& suffix) {
    for (const char* ending : {".nii", ".nii.gz"}) {
        if (endsWith(name, suffix + ending)) {
            return name.substr(0, name.size() - suffix.size() - std::string(ending).size());
        }
    }
    return "";
}

// Sorted names of the entries of a folder that satisfy keep; empty when it is missing.
template <typename Keep> std::vector<std::string> entries(const fs::path& folder, Keep keep) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (keep(*it, name)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> foldersStartingWith(const fs::path& folder, const std::string& prefix) {
    return entries(folder, [&prefix](const fs::directory_entry& e, const std::string& name) {
        std::error_code error;
        return name.rfind(prefix, 0) == 0 && name.size() > prefix.size() && e.is_directory(error);
    });
}

std::vector<std::string> imagesWithSuffix(const fs::path& folder, const std::string& suffix) {
    return entries(folder, [&suffix](const fs::directory_entry&, const std::string& name) {
        return name[0] != '.' && !stemBefore(name, suffix).empty();
    });
}

void addSessionRuns(const fs::path& subjectFolder, const std::string& subject, const std::string& session,
                    std::vector<BidsRun>& runs) {
    fs::path folder = session.empty() ? subjectFolder : subjectFolder / ("ses-" + session);
    std::vector<std::string> anatomicals = imagesWithSuffix(folder / "anat", "_T1w");
    fs::path anatomicalFolder = folder / "anat";
    if (anatomicals.empty() && !session.empty()) {
        anatomicals = imagesWithSuffix(subjectFolder / "anat", "_T1w");
        anatomicalFolder = subjectFolder / "anat";
    }
    for (const std::string& name : imagesWithSuffix(folder / "func", "_bold")) {
        BidsRun run;
        run.subject = subject;
        run.session = session;
        run.name = stemBefore(name, "_bold");
        run.functionalPath = (folder / "func" / name).string();
        if (anatomicals.empty()) {
            run.problem = "no anatomical: sub-" + subject + (session.empty() ? "" : "/ses-" + session) +
                          " has no anat/*_T1w.nii or .nii.gz";
        } else {
            run.anatomicalPath = (anatomicalFolder / anatomicals.front()).string();
        }
        runs.push_back(run);
    }
}

} // namespace

BidsLayout findBidsRuns(const std::string& bidsDir, const std::vector<std::string>& participantLabels) {
    BidsLayout layout;
    std::error_code error;
    if (!fs::is_directory(bidsDir, error)) {
        layout.error = bidsDir + ": is not a folder";
        return layout;
    }
    std::vector<std::string> subjects;
    for (const std::string& folder : foldersStartingWith(bidsDir, "sub-")) {
        subjects.push_back(folder.substr(4));
    }
    if (!participantLabels.empty()) {
        std::set<std::string> wanted;
        for (std::string label : participantLabels) {
            label = label.rfind("sub-", 0) == 0 ? label.substr(4) : label;
            if (std::find(subjects.begin(), subjects.end(), label) == subjects.end()) {
                layout.error = bidsDir + ": has no participant sub-" + label;
                return layout;
            }
            wanted.insert(label);
        }
        subjects.assign(wanted.begin(), wanted.end());
    }
    if (subjects.empty()) {
        layout.error = bidsDir + ": has no sub-* folders; is it a BIDS dataset?";
        return layout;
    }
    for (const std::string& subject : subjects) {
        fs::path subjectFolder = fs::path(bidsDir) / ("sub-" + subject);
        addSessionRuns(subjectFolder, subject, "", layout.runs);
        for (const std::string& session : foldersStartingWith(subjectFolder, "ses-")) {
            addSessionRuns(subjectFolder, subject, session.substr(4), layout.runs);
        }
    }
    return layout;
}
