// The silent run that marks painted voxels.
#include "host/plugin_run/painted_voxels.h"

#include <cstring>
#include <ostream>

namespace {

const uint8_t kNeverPainted = 255;

struct SilentRun {
    PaintedVoxels found;
    const HostDocument* vmr = nullptr;
    int (*askMapping)(void*, const char*, int, int, int) = nullptr;
    void* askContext = nullptr;
};

void recordWindow(void* context) {
    SilentRun& run = *static_cast<SilentRun*>(context);
    size_t count = static_cast<size_t>(documentVoxelCount(run.vmr));
    std::vector<uint8_t> painted(count);
    for (size_t i = 0; i < count; ++i) {
        painted[i] = run.vmr->voxels[i] != kNeverPainted ? 1 : 0;
    }
    run.found.atWindow.push_back(std::move(painted));
}

int answerPrompt(void* context, const char* prompt, int defaultValue, int lowest, int highest) {
    SilentRun& run = *static_cast<SilentRun*>(context);
    run.found.mapping = run.askMapping(run.askContext, prompt, defaultValue, lowest, highest);
    return run.found.mapping;
}

bool pretendSaved(void*, const HostDocument*, const char*) {
    return true;
}

// A copy of a document for the silent run: an anatomical filled with kNeverPainted, a functional with its
// first volume only (the only one the plug-in reads).
HostDocument* silentCopy(const HostDocument* source) {
    HostDocument* copy = nullptr;
    if (source->kind == kDocumentVmr) {
        copy = createVmrDocument(source->dims, source->voxelToScanner, source->fileName);
        if (copy != nullptr) {
            memset(copy->voxels, kNeverPainted, static_cast<size_t>(documentVoxelCount(copy)));
            copy->pastTransformations = source->pastTransformations;
        }
    } else {
        copy = createFmrDocument(source->dims, source->voxelToScanner, source->dataType, 1, source->fileName,
                                 source->stcPrefix);
        if (copy != nullptr) {
            size_t count = static_cast<size_t>(documentVoxelCount(copy));
            if (source->dataType == kFmrDataInt16) {
                memcpy(copy->intVolumes[0], source->intVolumes[0], count * sizeof(int16_t));
            } else {
                memcpy(copy->floatVolumes[0], source->floatVolumes[0], count * sizeof(float));
            }
        }
    }
    return copy;
}

} // namespace

PaintedVoxels findPaintedVoxels(const LoadedPlugin& plugin, const HostWorkspace& workspace,
                                int (*askMapping)(void*, const char*, int, int, int), void* askContext) {
    SilentRun run;
    run.askMapping = askMapping;
    run.askContext = askContext;
    HostWorkspace silent;
    initWorkspace(&silent);
    for (int i = 0; i < workspace.documentCount; ++i) {
        HostDocument* copy = silentCopy(workspace.documents[i]);
        if (copy == nullptr || !addDocument(&silent, copy)) {
            releaseDocument(copy);
            releaseWorkspaceDocuments(&silent);
            return run.found;
        }
    }
    silent.currentIndex = workspace.currentIndex;
    run.vmr = silent.documents[0];
    silent.callbacks.context = &run;
    silent.callbacks.promptInteger = answerPrompt;
    silent.callbacks.saveFmr = pretendSaved;
    silent.callbacks.updateWindow = recordWindow;
    installWorkspace(&silent);
    std::ostream quiet(nullptr);
    runPluginOnce(plugin, quiet);
    installWorkspace(nullptr);
    releaseWorkspaceDocuments(&silent);
    return run.found;
}
