// Staging folders named after their owner, and the removal of those whose owner has ended.
#include "host/output_files/staging_owner.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// The start time of a process in clock ticks since boot (field 22 of /proc/PID/stat); empty when unknown.
std::string processStartTime(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name (field 2) may hold spaces and parentheses; the fields after its last ')' are plain.
    size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return "";
    }
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int index = 3; fields >> field; ++index) {
        if (index == 22) {
            return field;
        }
    }
    return "";
}

// A hash of the host name and the process-id namespace, so that a pid is only ever compared with pids of
// the same machine and namespace (an output folder may be shared by cluster nodes or containers).
std::string machineTag() {
    char host[256] = {0};
    gethostname(host, sizeof host - 1);
    char ns[128] = {0};
    ssize_t length = readlink("/proc/self/ns/pid", ns, sizeof ns - 1);
    std::string identity = std::string(host) + "/" + (length > 0 ? std::string(ns, length) : "");
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : identity) {
        hash = (hash ^ c) * 1099511628211ull;
    }
    char tag[17];
    snprintf(tag, sizeof tag, "%016" PRIx64, hash);
    return tag;
}

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::string stagingFolderPattern(const std::string& folder) {
    const long pid = static_cast<long>(getpid());
    std::string start = processStartTime(pid);
    return folder + "/" + kStagingPrefix + machineTag() + "-" + std::to_string(pid) + "-" +
           (start.empty() ? "0" : start) + "-XXXXXX";
}

bool stagingOwnerIsGone(const std::string& name) {
    const std::string prefix = kStagingPrefix;
    if (name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    // machine-pid-start-XXXXXX
    std::string parts[4];
    std::istringstream fields(name.substr(prefix.size()));
    for (std::string& part : parts) {
        if (!std::getline(fields, part, '-')) {
            return false;
        }
    }
    std::string extra;
    if (std::getline(fields, extra) || parts[0] != machineTag() || !allDigits(parts[1]) ||
        !allDigits(parts[2]) || parts[1].size() > 9) {
        return false;
    }
    const long pid = std::stol(parts[1]);
    if (pid <= 0) {
        return false;
    }
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
        return true;
    }
    // The pid is in use: by the owner, or by a later process that was given the same pid.
    const std::string start = processStartTime(pid);
    return !start.empty() && parts[2] != "0" && start != parts[2];
}

int removeAbandonedStaging(const std::string& folder) {
    int removed = 0;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        return 0;
    }
    const int folderFd = dirfd(listing);
    while (struct dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        struct stat info;
        if (!stagingOwnerIsGone(name) || fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(info.st_mode)) {
            continue;
        }
        const int stagingFd = openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        DIR* staged = stagingFd < 0 ? nullptr : fdopendir(stagingFd);
        if (staged == nullptr) {
            if (stagingFd >= 0) {
                close(stagingFd);
            }
            continue;
        }
        // Only files (and links, as names) are removed; a folder inside is not the program's and stays.
        while (struct dirent* file = readdir(staged)) {
            struct stat fileInfo;
            if (fstatat(stagingFd, file->d_name, &fileInfo, AT_SYMLINK_NOFOLLOW) == 0 &&
                !S_ISDIR(fileInfo.st_mode)) {
                unlinkat(stagingFd, file->d_name, 0);
            }
        }
        closedir(staged);
        if (unlinkat(folderFd, name.c_str(), AT_REMOVEDIR) == 0) {
            ++removed;
        }
    }
    closedir(listing);
    return removed;
}
