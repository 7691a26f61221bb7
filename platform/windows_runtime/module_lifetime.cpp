// Dynamic initialisers and atexit functions of one module (DLL or executable), run by its entry point.
#include "platform/windows_runtime/module_lifetime.h"

#include <corecrt_startup.h>

// Calls every non-null function pointer in [first, end); exported by the UCRT, absent from its headers.
extern "C" __declspec(dllimport) void __cdecl _initterm(_PVFV* first, _PVFV* end);

// The compiler puts a pointer to each dynamic initialiser in .CRT$XCU; the linker sorts the .CRT$XC*
// sections by name, so these two markers bracket them all.
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)
extern "C" __declspec(allocate(".CRT$XCA")) _PVFV gFirstInitializer = 0;
extern "C" __declspec(allocate(".CRT$XCZ")) _PVFV gEndOfInitializers = 0;

// Per-module list, as a DLL's objects must end when the DLL is unloaded, not when the process exits.
static _onexit_table_t gExitFunctions;

void startModuleObjects(void) {
    _initialize_onexit_table(&gExitFunctions);
    // _initterm skips the null markers.
    _initterm(&gFirstInitializer, &gEndOfInitializers);
}

void endModuleObjects(void) {
    _execute_onexit_table(&gExitFunctions);
}

// Destructors of static objects are registered here by the compiler.
extern "C" int __cdecl atexit(void(__cdecl* function)(void)) {
    return _register_onexit_function(&gExitFunctions, reinterpret_cast<_onexit_t>(function)) == 0 ? 0 : -1;
}
