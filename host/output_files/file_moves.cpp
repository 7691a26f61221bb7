// Final moves: rename without replacing where the file system allows it, link and unlink elsewhere.
#include "host/output_files/file_moves.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

FileId identifyFile(const std::string& path) {
    FileId id;
    struct stat info;
    if (lstat(path.c_str(), &info) == 0) {
        id.exists = true;
        id.device = info.st_dev;
        id.inode = info.st_ino;
    }
    return id;
}

bool isSameFile(const FileId& a, const FileId& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

bool placeAtFreeName(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    // Older kernels and some file systems (network ones, FAT) refuse the flag rather than the move.
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        return placeByLink(from, to);
    }
    return false;
}

bool placeByLink(const std::string& from, const std::string& to) {
    if (link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    unlink(from.c_str());
    return true;
}

TakeAside takeAside(const std::string& path, const std::string& aside, const FileId& expected) {
    if (rename(path.c_str(), aside.c_str()) != 0) {
        return errno == ENOENT ? TakeAside::kGone : TakeAside::kFailed;
    }
    if (isSameFile(identifyFile(aside), expected)) {
        return TakeAside::kTaken;
    }
    return placeAtFreeName(aside, path) ? TakeAside::kUnexpected : TakeAside::kFailed;
}
