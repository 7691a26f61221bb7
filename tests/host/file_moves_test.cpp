// Putting a file at its final name: only while the name is free, by rename or by link.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <string>

#include "host/output_files/file_moves.h"
#include "tests/host/app_test_support.h"

namespace {

TEST(FileMoves, AFinalNameIsTakenOnlyWhileItIsFree) {
    const struct {
        const char* name;
        bool (*place)(const std::string& from, const std::string& to);
    } movers[] = {{"rename", placeAtFreeName}, {"link", placeByLink}};
    const struct {
        const char* name;
        void (*occupy)(const std::string& to);
    } targets[] = {
        {"free", [](const std::string&) {}},
        {"file", [](const std::string& to) { writeBytesForTest(to, "theirs"); }},
        {"link", [](const std::string& to) { symlink("theirs", to.c_str()); }},
    };
    for (const auto& mover : movers) {
        for (const auto& target : targets) {
            ScratchFolder folder;
            std::string from = folder.file(".new"), to = folder.file("out.txt");
            writeBytesForTest(from, "new");
            target.occupy(to);
            std::string before = folderSnapshot(folder.path, "");
            bool free = std::string(target.name) == "free";
            errno = 0;
            EXPECT_EQ(mover.place(from, to), free) << mover.name << " " << target.name;
            if (free) {
                EXPECT_EQ(folderSnapshot(folder.path, ""), "out.txt: new\n") << mover.name;
            } else {
                EXPECT_EQ(errno, EEXIST) << mover.name << " " << target.name;
                EXPECT_EQ(folderSnapshot(folder.path, ""), before) << mover.name << " " << target.name;
            }
        }
    }
}

} // namespace
