// The scripted test host over the host core.
#include "tests/support/scripted_host.h"

#include <cstring>

#include "host/core/host_functions.h"
#include "host/core/phantom.h"
#include "tests/support/uncalled_host_functions.h"

namespace {

ScriptedHost* gActive = nullptr;

void record(ScriptedHost& host, const std::string& entry) {
    if (host.beforeCall) {
        host.beforeCall(entry);
    }
    host.calls.push_back(entry);
}

void noteCall(void* context, const char* functionName, int documentIndex) {
    const std::string name = functionName;
    // These three are recorded with their texts by their own callbacks.
    if (name == "zrLogText" || name == "zrMessageBox" || name == "zrGetIntegerInput") {
        return;
    }
    record(*static_cast<ScriptedHost*>(context),
           name + "(" + (documentIndex >= 0 ? std::to_string(documentIndex) : "") + ")");
}

void logText(void* context, const char* text) {
    ScriptedHost& host = *static_cast<ScriptedHost*>(context);
    record(host, std::string("log: ") + text);
    host.log.push_back(text);
}

void messageBox(void* context, const char* text) {
    ScriptedHost& host = *static_cast<ScriptedHost*>(context);
    record(host, std::string("zrMessageBox(") + text + ")");
    host.messages.push_back(text);
}

int promptInteger(void* context, const char* prompt, int, int, int) {
    ScriptedHost& host = *static_cast<ScriptedHost*>(context);
    record(host, std::string("zrGetIntegerInput(") + prompt + ")");
    host.prompts.push_back(prompt);
    return host.answer;
}

bool saveFmr(void* context, const HostDocument* document, const char* stcPrefix) {
    ScriptedHost& host = *static_cast<ScriptedHost*>(context);
    host.savedDocuments.push_back(document);
    host.savedPrefixes.push_back(stcPrefix);
    return true;
}

void updateWindow(void* context) {
    ++static_cast<ScriptedHost*>(context)->redraws;
}

HostFunctionTable boundTable() {
    HostFunctionTable table;
#define ZR_BIND_ENTRY(name) table.name = reinterpret_cast<decltype(table.name)>(&name);
#define ZR_BIND_CALLED_ENTRY(name, Result, Parameters) table.name = &name;
    ZR_HOST_FUNCTIONS(ZR_BIND_ENTRY, ZR_BIND_CALLED_ENTRY)
#undef ZR_BIND_ENTRY
#undef ZR_BIND_CALLED_ENTRY
    return table;
}

void centredAxialAffine(const int32_t dims[3], double affine[16]) {
    const float voxel[3] = {1, 1, 1}, none[3] = {0, 0, 0};
    phantomGridAffine(dims, voxel, kPhantomAxial, false, none, none, affine);
}

} // namespace

ScriptedHost::ScriptedHost() : table(boundTable()) {
    initWorkspace(&workspace);
    workspace.callbacks.context = this;
    workspace.callbacks.noteCall = noteCall;
    workspace.callbacks.logText = logText;
    workspace.callbacks.messageBox = messageBox;
    workspace.callbacks.promptInteger = promptInteger;
    workspace.callbacks.saveFmr = saveFmr;
    workspace.callbacks.updateWindow = updateWindow;
    installWorkspace(&workspace);
    setHostVersion(21, 3, 0);
    gActive = this;
}

ScriptedHost::~ScriptedHost() {
    installWorkspace(nullptr);
    releaseWorkspaceDocuments(&workspace);
    gActive = nullptr;
}

int ScriptedHost::count(const std::string& functionName) const {
    int found = 0;
    for (const std::string& call : calls) {
        found += call.compare(0, functionName.size() + 1, functionName + "(") == 0;
    }
    return found;
}

HostDocument& ScriptedHost::addVmr(int32_t dimX, int32_t dimY, int32_t dimZ) {
    const int32_t dims[3] = {dimX, dimY, dimZ};
    double affine[16];
    centredAxialAffine(dims, affine);
    HostDocument* document = createVmrDocument(dims, affine, "anatomy.vmr");
    addDocument(&workspace, document);
    return *document;
}

HostDocument& ScriptedHost::addFmr(const char* prefix, int32_t dimX, int32_t dimY, int32_t dimZ,
                                   int dataType) {
    const int32_t dims[3] = {dimX, dimY, dimZ};
    double affine[16];
    centredAxialAffine(dims, affine);
    const std::string fileName = std::string(prefix) + ".fmr";
    HostDocument* document = createFmrDocument(dims, affine, dataType, 1, fileName.c_str(), prefix);
    addDocument(&workspace, document);
    return *document;
}

void recordUncalledHostCall(const char* functionName) {
    if (gActive != nullptr) {
        record(*gActive, std::string("uncalled: ") + functionName);
    }
}

void* hostFunctionAddress(int index) {
#define ZR_ADDRESS(name) reinterpret_cast<void*>(&name),
#define ZR_CALLED_ADDRESS(name, Result, Parameters) reinterpret_cast<void*>(&name),
    static void* const kAddresses[kHostFunctionCount] = {ZR_HOST_FUNCTIONS(ZR_ADDRESS, ZR_CALLED_ADDRESS)};
#undef ZR_ADDRESS
#undef ZR_CALLED_ADDRESS
    return kAddresses[index];
}
