// Painted voxels are found by the plug-in's writes, not by a changed byte: an anatomical that already holds
// what the plug-in paints keeps every byte, and the painted voxels are still known.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/plugin_run/painted_voxels.h"
#include "host/core/phantom.h"

namespace {

int answerMappingOne(void*, const char*, int, int, int) {
    return 1;
}

struct PhantomRun {
    std::vector<uint8_t> before, after;
    PaintedVoxels painted;
};

// The small phantom's mapping-1 run, its anatomical first set to startBytes when given.
PhantomRun runOnPhantom(const LoadedPlugin& plugin, const std::vector<uint8_t>* startBytes) {
    PhantomOptions options;
    smallPhantomOptions(&options);
    HostWorkspace workspace;
    initWorkspace(&workspace);
    EXPECT_TRUE(buildPhantomWorkspace(&options, &workspace));
    HostDocument* vmr = workspace.documents[0];
    size_t count = static_cast<size_t>(documentVoxelCount(vmr));
    if (startBytes != nullptr) {
        std::copy(startBytes->begin(), startBytes->end(), vmr->voxels);
    }
    PhantomRun run;
    run.before.assign(vmr->voxels, vmr->voxels + count);
    run.painted = findPaintedVoxels(plugin, workspace, answerMappingOne, nullptr);
    workspace.callbacks.promptInteger = answerMappingOne;
    installWorkspace(&workspace);
    std::ostream quiet(nullptr);
    EXPECT_EQ(runPluginOnce(plugin, quiet), PluginOutcome::kExecuteTrue);
    installWorkspace(nullptr);
    run.after.assign(vmr->voxels, vmr->voxels + count);
    releaseWorkspaceDocuments(&workspace);
    return run;
}

TEST(PaintedVoxels, AVoxelPaintedWithTheByteItHeldStillCountsAsPainted) {
    LoadedPlugin plugin;
    ASSERT_EQ(loadPlugin(PLUGIN_PATH, plugin), "");

    PhantomRun first = runOnPhantom(plugin, nullptr);
    EXPECT_EQ(first.painted.mapping, 1);
    ASSERT_FALSE(first.painted.atWindow.empty());
    const std::vector<uint8_t>& lastMask = first.painted.atWindow.back();
    size_t changed = 0, marked = 0;
    for (size_t i = 0; i < first.after.size(); ++i) {
        changed += first.after[i] != first.before[i];
        marked += lastMask[i];
        EXPECT_TRUE(first.after[i] == first.before[i] || lastMask[i] != 0) << "changed but not marked: " << i;
    }
    EXPECT_GT(marked, changed) << "the phantom has voxels painted with the byte they held";

    // Starting from the painted result, the run writes every byte it holds already.
    PhantomRun again = runOnPhantom(plugin, &first.after);
    EXPECT_EQ(again.after, again.before);
    ASSERT_EQ(again.painted.atWindow.size(), first.painted.atWindow.size());
    EXPECT_EQ(again.painted.atWindow.back(), lastMask);
    unloadPlugin(plugin);
}

} // namespace
