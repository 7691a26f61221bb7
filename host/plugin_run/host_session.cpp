// The stand-in host's run: documents in, plug-in run with the host callbacks, outputs written atomically.
#include "host/plugin_run/host_session.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <istream>
#include <ostream>

#include "host/plugin_run/functional_coverage.h"
#include "host/plugin_run/input_documents.h"
#include "host/terminal/integer_prompt.h"
#include "host/nifti/nifti_file.h"
#include "host/output_files/output_files.h"
#include "host/nifti/output_header_fields.h"
#include "host/plugin_run/output_plan.h"
#include "host/plugin_run/painted_voxels.h"
#include "host/pictures/plane_orientation.h"
#include "host/plugin_run/plugin_runner.h"
#include "host/plugin_run/run_report.h"
#include "host/plugin_run/run_warnings.h"
#include "host/terminal/printable_text.h"
#include "host/pictures/window_picture.h"
#include "host/terminal/write_progress.h"
#include "host/core/host_functions.h"

namespace {

// Everything the callbacks need during the plug-in's run.
struct Session {
    SessionStreams* streams = nullptr;
    std::string outDir;
    OutputPolicy policy;
    NiftiCompression compression = NiftiCompression::kFast;
    OutputRun run;
    FILE* logFile = nullptr; // the log's staged file, written line by line as the plug-in logs
    std::string logText;     // the log as written, for the report
    HostWorkspace workspace;
    std::vector<DocumentSource> sources; // parallel to the workspace's documents
    std::vector<uint8_t> originalVmr;    // the VMR bytes as opened: a changed byte was painted
    PaintedVoxels painted;               // what each window update shows as painted, when known
    FunctionalCoverage coverage;
    int fixedMapping = 0;  // from the command line; 0: ask
    int chosenMapping = 0; // the answer given to the plug-in
    int windowCount = 0;
    std::vector<std::string> failures;
};

void noteFailure(Session& session, const std::string& problem) {
    session.failures.push_back(problem);
    session.streams->notes << "Zentrovis: " << printableText(problem) << "\n";
}

// Stages one output of the run; records success or failure.
bool writeOutput(Session& session, const std::string& name,
                 const std::function<std::string(const std::string&)>& writeTo) {
    std::string problem = checkOutputAllowed(session.policy, session.outDir + "/" + name);
    if (problem.empty()) {
        problem = stageOutput(session.run, name, writeTo);
    }
    if (!problem.empty()) {
        noteFailure(session, session.outDir + "/" + name + ": " + problem);
        return false;
    }
    return true;
}

// Writes one image output named stem + the compression's ending, with a progress line on a terminal.
bool writeImageOutput(Session& session, const std::string& stem, const NiftiWriteRequest& request) {
    std::string name = stem + niftiEnding(session.compression);
    TerminalProgress progress;
    progress.terminal = session.streams->notesOnTerminal ? &session.streams->notes : nullptr;
    progress.name = name;
    bool written = writeOutput(session, name, [&](const std::string& temporary) {
        return writeNiftiImage(
            temporary, request, session.compression,
            [&progress](uint64_t done, uint64_t total) { showWriteProgress(progress, done, total); });
    });
    endWriteProgress(progress);
    return written;
}

// Shows a log line and appends it to the log's staged file at once, so the log takes its room on the disk
// first and a full disk is noticed as soon as it happens.
void logLine(Session& session, const std::string& text) {
    std::string line = printableText(text, true) + "\n";
    session.streams->log << line << std::flush;
    session.logText += line;
    if (session.logFile != nullptr && (fwrite(line.data(), 1, line.size(), session.logFile) != line.size() ||
                                       fflush(session.logFile) != 0)) {
        noteFailure(session, session.outDir + "/" + kLogFileName +
                                 ": could not be written completely: " + strerror(errno));
        fclose(session.logFile);
        session.logFile = nullptr;
    }
}

// Opens the log's staged file; false (with the failure noted) when it cannot be created.
bool openLogFile(Session& session) {
    std::string staged;
    std::string problem = reserveOutput(session.run, kLogFileName, staged);
    int descriptor = problem.empty() ? createNewFile(staged) : -1;
    session.logFile = descriptor >= 0 ? fdopen(descriptor, "wb") : nullptr;
    if (session.logFile == nullptr) {
        if (problem.empty()) {
            problem = std::string("cannot be created: ") + strerror(errno);
        }
        if (descriptor >= 0) {
            close(descriptor);
        }
        noteFailure(session, session.outDir + "/" + kLogFileName + ": " + problem);
        return false;
    }
    return true;
}

// Closes the log's staged file, noting a failure to finish it.
void closeLogFile(Session& session) {
    if (session.logFile != nullptr && fclose(session.logFile) != 0) {
        noteFailure(session, session.outDir + "/" + kLogFileName +
                                 ": could not be written completely: " + strerror(errno));
    }
    session.logFile = nullptr;
}

// A null text from the plug-in is taken as the empty text rather than read.
const char* textOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

void onLogText(void* context, const char* text) {
    logLine(*static_cast<Session*>(context), textOrEmpty(text));
}

void onMessageBox(void* context, const char* text) {
    logLine(*static_cast<Session*>(context), std::string("Message: ") + textOrEmpty(text));
}

int onPromptInteger(void* context, const char* prompt, int defaultValue, int lowest, int highest) {
    Session& session = *static_cast<Session*>(context);
    SessionStreams& streams = *session.streams;
    if (session.fixedMapping != 0) {
        session.chosenMapping = session.fixedMapping;
    } else if (streams.interactive) {
        session.chosenMapping =
            askInteger(streams.in, streams.notes, textOrEmpty(prompt), defaultValue, lowest, highest).value;
    } else {
        streams.notes << "Zentrovis: no terminal to ask \"" << textOrEmpty(prompt)
                      << "\"; taking the default " << defaultValue << " (give --mapping to choose)\n";
        session.chosenMapping = defaultValue;
    }
    return session.chosenMapping;
}

bool saveFmr(Session& session, const HostDocument* document, const char* stcPrefix) {
    int index = -1;
    for (int i = 0; i < session.workspace.documentCount; ++i) {
        if (session.workspace.documents[i] == document) {
            index = i;
        }
    }
    if (index < 0 || stcPrefix == nullptr ||
        !isPlainOutputName(stcPrefix + std::string(niftiEnding(session.compression)))) {
        noteFailure(session, std::string("the plug-in asked to save under \"") +
                                 (stcPrefix ? stcPrefix : "") +
                                 "\", which is not a plain file name; nothing saved");
        return false;
    }
    NiftiWriteRequest request;
    request.nx = document->dims[0];
    request.ny = document->dims[1];
    request.nz = document->dims[2];
    request.nt = document->volumeCount;
    request.geometry = session.sources[index].geometry;
    request.fields = fieldsForSavedFunctional(session.sources[index].fields, document->volumeCount);
    request.type = document->dataType == kFmrDataInt16 ? NiftiOutputType::kInt16 : NiftiOutputType::kFloat32;
    // Written straight from the document's volumes: a long run is not copied first.
    for (int t = 0; t < document->volumeCount; ++t) {
        request.volumes.push_back(document->dataType == kFmrDataInt16
                                      ? static_cast<const void*>(document->intVolumes[t])
                                      : static_cast<const void*>(document->floatVolumes[t]));
    }
    return writeImageOutput(session, stcPrefix, request);
}

std::string windowCaption(const Session& session) {
    std::string caption =
        "MAPPING " + (session.chosenMapping != 0 ? std::to_string(session.chosenMapping) : std::string("?")) +
        "   ANATOMICAL " + session.sources[0].stem + "   FUNCTIONAL ";
    for (size_t i = 1; i < session.sources.size(); ++i) {
        caption += (i > 1 ? ", " : "") + session.sources[i].stem;
    }
    return caption;
}

void updateWindow(Session& session) {
    const HostDocument* vmr = session.workspace.documents[0];
    WindowView view;
    view.nx = vmr->dims[0];
    view.ny = vmr->dims[1];
    view.nz = vmr->dims[2];
    view.voxelSizeX = vmr->voxelSize[0];
    view.voxelSizeY = vmr->voxelSize[1];
    view.voxelSizeZ = vmr->voxelSize[2];
    view.current = vmr->voxels;
    view.original = session.originalVmr.data();
    if (static_cast<size_t>(session.windowCount) < session.painted.atWindow.size()) {
        view.painted = session.painted.atWindow[session.windowCount].data();
    }
    view.showsPaintLegend = session.chosenMapping != 2;
    view.planeX = session.coverage.centre[0];
    view.planeY = session.coverage.centre[1];
    view.planeZ = session.coverage.centre[2];
    view.hasCoverage = session.coverage.valid;
    for (int axis = 0; axis < 3; ++axis) {
        view.coverageMin[axis] = session.coverage.minimum[axis];
        view.coverageMax[axis] = session.coverage.maximum[axis];
    }
    view.planeOrientation[0] = planeOrientationName(vmr->voxelToScanner, 0, 1);
    view.planeOrientation[1] = planeOrientationName(vmr->voxelToScanner, 0, 2);
    view.planeOrientation[2] = planeOrientationName(vmr->voxelToScanner, 1, 2);
    view.windowNumber = ++session.windowCount;
    view.caption = windowCaption(session);
    RgbImage picture = renderWindow(view);
    char name[32];
    snprintf(name, sizeof name, "window-%02d.png", view.windowNumber);
    writeOutput(session, name,
                [&picture](const std::string& temporary) { return writePng(temporary, picture); });
}

// The callbacks run inside the plug-in, which cannot pass an exception on: running out of memory there is
// a failed output.
bool onSaveFmr(void* context, const HostDocument* document, const char* stcPrefix) {
    Session& session = *static_cast<Session*>(context);
    try {
        return saveFmr(session, document, stcPrefix);
    } catch (const std::bad_alloc&) {
        noteFailure(session, "not enough memory to save a functional");
        return false;
    }
}

void onUpdateWindow(void* context) {
    Session& session = *static_cast<Session*>(context);
    try {
        updateWindow(session);
    } catch (const std::bad_alloc&) {
        noteFailure(session, "not enough memory for a window picture");
    }
}

bool writeVmrOutput(Session& session) {
    const HostDocument* vmr = session.workspace.documents[0];
    NiftiWriteRequest request;
    request.nx = vmr->dims[0];
    request.ny = vmr->dims[1];
    request.nz = vmr->dims[2];
    request.geometry = session.sources[0].geometry;
    request.fields = fieldsForPaintedAnatomical(session.sources[0].fields);
    request.type = NiftiOutputType::kUint8;
    request.samples = vmr->voxels;
    return writeImageOutput(session, session.sources[0].stem + "_posalign", request);
}

// What a run ends with when the run could not be written: nothing of it remains.
int abandonRun(Session& session) {
    abandonOutputRun(session.run);
    session.streams->notes << "Zentrovis: nothing was kept in " << printableText(session.outDir) << "/\n";
    return kExitWriteFailed;
}

int runGuardedHostSession(const AppOptions& options, SessionStreams& streams) {
    // Checked from the files on a thread of its own from the start, while the documents are read, the
    // plug-in runs and its outputs are written; dropped (and stopped) when the run ends early.
    const bool withReport = options.report && !options.demo;
    FinishRunReport finishReport =
        withReport ? beginRunReport(options.anatomicalPath, options.functionalPaths) : FinishRunReport();
    LoadedDocuments loaded = options.demo
                                 ? loadPhantomDocuments(options.smallPhantom, options.phantomRuns)
                                 : loadNiftiDocuments(options.anatomicalPath, options.functionalPaths);
    if (!loaded.error.empty()) {
        streams.notes << "Zentrovis: " << printableText(loaded.error) << "\n";
        return kExitBadInput;
    }
    Session session;
    session.streams = &streams;
    session.outDir = options.outDir;
    while (session.outDir.size() > 1 && session.outDir.back() == '/') {
        session.outDir.pop_back();
    }
    session.policy.force = options.force;
    session.compression = options.compression;
    session.policy.onlyRecorded = true;
    session.policy.recorded = readOutputRecord(session.outDir);
    session.sources = loaded.sources;
    for (const DocumentSource& source : loaded.sources) {
        if (!source.path.empty()) {
            session.policy.inputPaths.push_back(source.path);
        }
    }
    session.fixedMapping = options.mapping;

    std::string pluginPath = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    std::string problem = checkOutputFolder(session.outDir, session.policy, session.sources, options.mapping,
                                            options.compression, withReport);
    LoadedPlugin plugin;
    if (problem.empty()) {
        std::string pluginProblem = loadPlugin(pluginPath, plugin);
        if (!pluginProblem.empty()) {
            problem = pluginPath + ": " + pluginProblem;
        }
    }
    if (!problem.empty()) {
        streams.notes << "Zentrovis: " << printableText(problem) << "\n";
        releaseLoadedDocuments(loaded);
        return kExitBadInput;
    }
    // The output folder must take the run's files before anything runs; the log is the first of them.
    problem = beginOutputRun(session.outDir, session.policy, session.run);
    if (!problem.empty()) {
        streams.notes << "Zentrovis: " << printableText(problem) << "\n";
    }
    if (!problem.empty() || !openLogFile(session)) {
        abandonOutputRun(session.run);
        releaseLoadedDocuments(loaded);
        unloadPlugin(plugin);
        return kExitWriteFailed;
    }

    initWorkspace(&session.workspace);
    for (HostDocument* document : loaded.documents) {
        addDocument(&session.workspace, document);
    }
    loaded.documents.clear();
    const HostDocument* vmr = session.workspace.documents[0];
    session.originalVmr.assign(vmr->voxels, vmr->voxels + documentVoxelCount(vmr));
    session.coverage =
        functionalCoverage(vmr, session.workspace.documents + 1, session.workspace.documentCount - 1);
    session.workspace.callbacks.context = &session;
    session.workspace.callbacks.logText = onLogText;
    session.workspace.callbacks.promptInteger = onPromptInteger;
    session.workspace.callbacks.saveFmr = onSaveFmr;
    session.workspace.callbacks.updateWindow = onUpdateWindow;
    session.workspace.callbacks.messageBox = onMessageBox;
    if (options.hostVersion[0] >= 0) {
        setHostVersion(options.hostVersion[0], options.hostVersion[1], options.hostVersion[2]);
    }
    // The silent run asks the user for the mapping; the real run is given the same answer.
    session.painted = findPaintedVoxels(plugin, session.workspace, onPromptInteger, &session);
    if (session.fixedMapping == 0) {
        session.fixedMapping = session.painted.mapping;
    }
    installWorkspace(&session.workspace);

    // Looked at before the run, which changes the functionals' first volumes.
    RunFindings findings = examineRun(session.workspace.documents, session.workspace.documentCount);
    PluginOutcome outcome = runPluginOnce(plugin, streams.notes);

    installWorkspace(nullptr);
    if (outcome == PluginOutcome::kExecuteTrue) {
        writeVmrOutput(session);
    }
    closeLogFile(session);
    releaseWorkspaceDocuments(&session.workspace);
    unloadPlugin(plugin);
    if (finishReport && session.failures.empty()) {
        const std::string html = finishReport(session.logText);
        writeOutput(session, kReportFileName,
                    [&html](const std::string& temporary) { return writeTextFile(temporary, html); });
    }

    if (!session.failures.empty()) {
        return abandonRun(session);
    }
    problem = commitOutputRun(session.run);
    if (!problem.empty()) {
        noteFailure(session, problem);
        return abandonRun(session);
    }
    streams.notes << "Outputs in " << printableText(session.outDir) << "/:";
    for (const std::string& name : session.run.names) {
        streams.notes << " " << printableText(name);
    }
    streams.notes << "\n";
    if (outcome == PluginOutcome::kExecuteTrue) {
        for (const std::string& warning : runWarnings(findings, session.sources, session.chosenMapping)) {
            streams.notes << "Zentrovis: warning: " << printableText(warning) << "\n";
        }
    }
    return outcome == PluginOutcome::kExecuteTrue ? kExitFinished : kExitPluginStopped;
}

} // namespace

int runHostSession(const AppOptions& options, SessionStreams& streams) {
    installRunCleanup();
    try {
        return runGuardedHostSession(options, streams);
    } catch (const std::bad_alloc&) {
        abandonCurrentOutputRun();
        streams.notes << "Zentrovis: not enough memory; nothing was kept\n";
        return kExitWriteFailed;
    }
}
