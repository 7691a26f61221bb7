// Binding of the host's functions by name, and the version gate.
#include "host_api/host_function_table.h"

#include "platform/module_lookup.h"

HostFunctionTable gHostFunctions;

#define ZR_NAME_OF_UNCALLED(name) #name,
#define ZR_NAME_OF_CALLED(name, Result, Parameters) #name,
const char* const kHostFunctionNames[kHostFunctionCount] = {
    ZR_HOST_FUNCTIONS(ZR_NAME_OF_UNCALLED, ZR_NAME_OF_CALLED)};
#undef ZR_NAME_OF_UNCALLED
#undef ZR_NAME_OF_CALLED

static const char kVersionGateMessage[] =
    "Can not execute this plugin - Zentrovis version 20.0 or higher required.";

bool bindHostFunctions(void) {
    ModuleHandle host = findLoadedModule("Zentrovis.exe");
    if (host == 0) {
        host = findLoadedModule("ZentrovisZR.exe");
    }
    if (host == 0) {
        return false;
    }
    gHostFunctions.zrGetVersionOfZentrovisZR = reinterpret_cast<decltype(gHostFunctions.zrGetVersionOfZentrovisZR)>(
        resolveModuleSymbol(host, "zrGetVersionOfZentrovisZR"));
    if (gHostFunctions.zrGetVersionOfZentrovisZR == 0) {
        return false;
    }
#define ZR_BIND_UNCALLED(name)                                                                                 \
    gHostFunctions.name = reinterpret_cast<decltype(gHostFunctions.name)>(resolveModuleSymbol(host, #name));
#define ZR_BIND_CALLED(name, Result, Parameters) ZR_BIND_UNCALLED(name)
    ZR_HOST_FUNCTIONS(ZR_BIND_UNCALLED, ZR_BIND_CALLED)
#undef ZR_BIND_UNCALLED
#undef ZR_BIND_CALLED
    return true;
}

bool isVersionAtLeast(int first, int second, int third, int requiredFirst, int requiredSecond,
                      int requiredThird) {
    if (first > requiredFirst) {
        return true;
    }
    if (first < requiredFirst) {
        return false;
    }
    if (second > requiredSecond) {
        return true;
    }
    if (second < requiredSecond) {
        return false;
    }
    return third >= requiredThird;
}

bool hasAllCalledHostFunctions(void) {
#define ZR_IGNORE_UNCALLED(name)
#define ZR_REQUIRE_CALLED(name, Result, Parameters)                                                            \
    if (gHostFunctions.name == 0) {                                                                            \
        return false;                                                                                          \
    }
    ZR_HOST_FUNCTIONS(ZR_IGNORE_UNCALLED, ZR_REQUIRE_CALLED)
#undef ZR_IGNORE_UNCALLED
#undef ZR_REQUIRE_CALLED
    return true;
}

bool bindAndCheckHost(void) {
    if (!bindHostFunctions()) {
        return false;
    }
    // A host that passes the gate must provide every function the run calls; one that does not is treated
    // as a failed binding, before anything is called through the table.
    if (!hasAllCalledHostFunctions()) {
        return false;
    }
    int first = 0;
    int second = 0;
    int third = 0;
    gHostFunctions.zrGetVersionOfZentrovisZR(&first, &second, &third);
    if (!isVersionAtLeast(first, second, third, 2, 9, 9)) {
        gHostFunctions.zrMessageBox(kVersionGateMessage);
        return false;
    }
    return true;
}
