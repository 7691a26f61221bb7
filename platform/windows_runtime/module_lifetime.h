// Start and end of a module's C++ objects when no CRT startup code runs them: the dynamic initialisers the
// compiler places between the .CRT$XCA and .CRT$XCZ markers, and the functions registered with atexit.
#ifndef POSALIGN_PLATFORM_WINDOWS_RUNTIME_MODULE_LIFETIME_H
#define POSALIGN_PLATFORM_WINDOWS_RUNTIME_MODULE_LIFETIME_H

// Runs this module's dynamic initialisers in link order and readies its atexit list. Call once, first.
void startModuleObjects(void);

// Runs the functions registered with atexit, last registered first, and empties the list.
void endModuleObjects(void);

#endif
