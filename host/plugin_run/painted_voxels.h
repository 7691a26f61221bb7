// Which anatomical voxels the plug-in paints, told apart from the anatomy even where it paints a voxel
// with the byte it already held.
//
// The host first runs the plug-in silently on copies of the documents whose anatomical holds 255 in every
// voxel, a value the plug-in never paints (it paints 0..225, from the functional alone); every byte below
// 255 at a window update of that run was painted. The real run follows on the real documents.
#ifndef POSALIGN_HOST_PLUGIN_RUN_PAINTED_VOXELS_H
#define POSALIGN_HOST_PLUGIN_RUN_PAINTED_VOXELS_H

#include <cstdint>
#include <vector>

#include "host/plugin_run/plugin_runner.h"
#include "host/core/workspace.h"

// The painted voxels at each window update of the silent run (1: painted), in order.
struct PaintedVoxels {
    std::vector<std::vector<uint8_t>> atWindow;
    int mapping = 0; // the mapping the silent run was given
};

// Runs the plug-in silently on copies of the workspace's documents (the anatomical first), answering its
// prompt with askMapping. Installs its own workspace and leaves none installed.
PaintedVoxels findPaintedVoxels(const LoadedPlugin& plugin, const HostWorkspace& workspace,
                                int (*askMapping)(void* context, const char* prompt, int defaultValue,
                                                  int lowest, int highest),
                                void* askContext);

#endif
