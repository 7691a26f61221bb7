// Finding the host's module among those already loaded into this process, and its functions by name.
// Never loads a module.
#ifndef POSALIGN_PLATFORM_MODULE_LOOKUP_H
#define POSALIGN_PLATFORM_MODULE_LOOKUP_H

typedef void* ModuleHandle;

// The already loaded module with this file name, or null. On POSIX systems a name "X.exe" means the main
// program when its file name is X or X.exe; otherwise an already loaded shared object of that name.
ModuleHandle findLoadedModule(const char* moduleFileName);

// The address the module exports under this name, or null.
void* resolveModuleSymbol(ModuleHandle module, const char* name);

#endif
