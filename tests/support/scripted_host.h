// The one test host: the host core's documents and exported host functions, installed for the lifetime of
// the object, with every call the plug-in makes recorded in order through the host core's callbacks.
//
// Calls are recorded one entry each: "zrGetDocumentType(0)" (the workspace index of the document the call
// concerns, empty parentheses when none), "log: <text>", "zrMessageBox(<text>)",
// "zrGetIntegerInput(<prompt>)". A call of one of the 170 host functions the plug-in never calls is recorded
// as "uncalled: <name>".
#ifndef POSALIGN_TESTS_SUPPORT_SCRIPTED_HOST_H
#define POSALIGN_TESTS_SUPPORT_SCRIPTED_HOST_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/core/workspace.h"
#include "host_api/host_function_table.h"

struct ScriptedHost {
    HostWorkspace workspace;
    std::vector<std::string> calls;
    std::vector<std::string> log; // the log texts alone
    std::vector<std::string> prompts;
    std::vector<std::string> messages;
    std::vector<std::string> savedPrefixes;
    std::vector<const HostDocument*> savedDocuments;
    int redraws = 0;
    int answer = 1; // the user's answer at every prompt
    // The script: called with each call's entry before the host acts on it, so a test can change the
    // documents at a chosen point of a run.
    std::function<void(const std::string& call)> beforeCall;
    // Every entry bound to this process's host functions, as the binding binds them in the host program.
    HostFunctionTable table;

    // An empty workspace, installed; host version 21.3.0.
    ScriptedHost();
    ~ScriptedHost();
    ScriptedHost(const ScriptedHost&) = delete;
    ScriptedHost& operator=(const ScriptedHost&) = delete;

    // The number of recorded calls of one host function.
    int count(const std::string& functionName) const;

    // Appends a VMR or an FMR of 1 mm voxels, axial, centred on the scanner origin, so that documents of one
    // size map voxel to voxel. The FMR has one volume of zeroed samples of dataType.
    HostDocument& addVmr(int32_t dimX, int32_t dimY, int32_t dimZ);
    HostDocument& addFmr(const char* prefix, int32_t dimX, int32_t dimY, int32_t dimZ, int dataType);
};

// The address of this program's host function at table position index (the host core's for the 20 the
// plug-in calls, the recording stand-ins for the others).
void* hostFunctionAddress(int index);

#endif
