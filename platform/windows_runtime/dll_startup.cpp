// Entry point of a DLL of the cross build: starts the module's C++ objects, then hands over to DllMain.
#include "platform/windows_runtime/module_lifetime.h"

extern "C" {
int __stdcall DllMain(void* module, unsigned long reason, void* reserved);

int __stdcall _DllMainCRTStartup(void* module, unsigned long reason, void* reserved) {
    const unsigned long kProcessDetach = 0;
    const unsigned long kProcessAttach = 1;
    if (reason == kProcessAttach) {
        startModuleObjects();
    }
    int result = DllMain(module, reason, reserved);
    if (reason == kProcessDetach) {
        endModuleObjects();
    }
    return result;
}
}
