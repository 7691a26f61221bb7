// Whole runs of the plug-in's command on the phantom, with the host core as the host: every mapping reaches
// its end, the documents carry the results, and the saved FMRs are passed to the application by name.
#include <gtest/gtest.h>

#include <string>

#include "command/command_run.h"
#include "tests/host/core_test_support.h"
#include "host/core/phantom.h"

namespace {

bool logged(const ScriptedHost& host, const std::string& line) {
    for (const std::string& entry : host.log) {
        if (entry == line) {
            return true;
        }
    }
    return false;
}

struct PhantomHost : ScriptedHost {
    explicit PhantomHost(int answer) {
        PhantomOptions options;
        smallPhantomOptions(&options);
        EXPECT_TRUE(buildPhantomWorkspace(&options, &workspace));
        this->answer = answer;
    }
};

TEST(CommandOnPhantom, MappingOnePaintsTheFmrsIntoTheVmrOnly) {
    PhantomHost host(1);
    std::string before(reinterpret_cast<const char*>(host.workspace.documents[0]->voxels), 64 * 64 * 64);
    ASSERT_TRUE(runPosalignCommand(host.table, standardRunMemory()));
    EXPECT_TRUE(logged(host, "Finished.\n"));
    EXPECT_EQ(host.prompts.size(), 1u);
    EXPECT_NE(before.compare(0, before.size(),
                             reinterpret_cast<const char*>(host.workspace.documents[0]->voxels),
                             before.size()),
              0);
    EXPECT_TRUE(host.savedPrefixes.empty());
    EXPECT_STREQ(host.workspace.documents[1]->stcPrefix, "phantom_run1");
    // Both runs were compared before painting, and both were painted with their own similarity lines.
    EXPECT_FALSE(isnan(loggedValue(host.log, "NCC of FMR-FMR via dot product before intensity scaling: ")));
    int nccLines = 0;
    for (const std::string& line : host.log) {
        nccLines += line.compare(0, 40, "NCC of FMR-VMR (only overlapping part): ") == 0;
    }
    EXPECT_EQ(nccLines, 2);
}

TEST(CommandOnPhantom, MappingTwoWritesTheVmrIntoBothRunsAndSavesThemRenamed) {
    PhantomHost host(2);
    ASSERT_TRUE(runPosalignCommand(host.table, standardRunMemory()));
    EXPECT_TRUE(logged(host, "Finished.\n"));
    ASSERT_EQ(host.savedPrefixes.size(), 2u);
    EXPECT_EQ(host.savedDocuments[0], host.workspace.documents[1]);
    EXPECT_EQ(host.savedDocuments[1], host.workspace.documents[2]);
    EXPECT_EQ(host.savedPrefixes[0], "phantom_run1_VMR");
    EXPECT_EQ(host.savedPrefixes[1], "phantom_run2_VMR");
    EXPECT_STREQ(host.workspace.documents[1]->fileName, "phantom_run1_VMR.fmr");
    EXPECT_STREQ(host.workspace.documents[2]->linkedFileName, "");
    // The first volume now holds three times VMR bytes (at most 3 x 225) wherever the VMR covers it, which
    // with the phantom's field of view is the whole grid.
    const int16_t* samples = host.workspace.documents[1]->intVolumes[0];
    int atVmrScale = 0;
    for (int i = 0; i < 64 * 64 * 30; ++i) {
        ASSERT_GE(samples[i], 0);
        ASSERT_LE(samples[i], 675);
        atVmrScale += samples[i] % 3 == 0;
    }
    EXPECT_EQ(atVmrScale, 64 * 64 * 30);
}

TEST(CommandOnPhantom, MappingThreeCopiesTheSecondRunIntoTheFirstAndSavesIt) {
    PhantomHost host(3);
    ASSERT_TRUE(runPosalignCommand(host.table, standardRunMemory()));
    EXPECT_TRUE(logged(host, "Finished.\n"));
    ASSERT_EQ(host.savedPrefixes.size(), 1u);
    EXPECT_EQ(host.savedDocuments[0], host.workspace.documents[1]);
    EXPECT_EQ(host.savedPrefixes[0], "phantom_run1_from_phantom_run2");
    EXPECT_TRUE(logged(host, "phantom_run1_from_phantom_run2.fmr"));
    EXPECT_STREQ(host.workspace.documents[2]->stcPrefix, "phantom_run2");
}

TEST(CommandOnPhantom, AWorkspaceWithoutAnFmrIsRefused) {
    PhantomHost host(1);
    host.workspace.documentCount = 1; // only the VMR is visible; the FMRs are released below
    releaseDocument(host.workspace.documents[1]);
    releaseDocument(host.workspace.documents[2]);
    EXPECT_FALSE(runPosalignCommand(host.table, standardRunMemory()));
    EXPECT_TRUE(
        logged(host, "Document 1 needs to be a VMR and Document 2 an FMR (Document 3 FMR is optional)"));
}

} // namespace
