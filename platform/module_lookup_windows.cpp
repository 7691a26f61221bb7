// Windows module lookup through the system's own functions. The few declarations are written here because
// the cross-build's system headers do not compile with every compiler version.
#include "platform/module_lookup.h"

extern "C" {
__declspec(dllimport) void* __stdcall GetModuleHandleA(const char* moduleName);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* procName);
}

ModuleHandle findLoadedModule(const char* moduleFileName) { return GetModuleHandleA(moduleFileName); }

void* resolveModuleSymbol(ModuleHandle module, const char* name) {
    if (module == 0) {
        return 0;
    }
    return GetProcAddress(module, name);
}
