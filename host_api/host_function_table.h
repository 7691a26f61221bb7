// The process-wide table of the host's entry points, its binding by name, and the version gate.
#ifndef POSALIGN_HOST_API_HOST_FUNCTION_TABLE_H
#define POSALIGN_HOST_API_HOST_FUNCTION_TABLE_H

#include "host_api/host_function_list.h"

// An entry the plug-in resolves but never calls.
typedef void (*HostEntryPoint)(void);

#define ZR_TABLE_UNCALLED_MEMBER(name) HostEntryPoint name;
#define ZR_TABLE_CALLED_MEMBER(name, Result, Parameters) Result(*name) Parameters;

// One entry per host function, in table order; null where the host does not export the name.
struct HostFunctionTable {
    ZR_HOST_FUNCTIONS(ZR_TABLE_UNCALLED_MEMBER, ZR_TABLE_CALLED_MEMBER)
};

#undef ZR_TABLE_UNCALLED_MEMBER
#undef ZR_TABLE_CALLED_MEMBER

static_assert(sizeof(HostFunctionTable) == kHostFunctionCount * sizeof(void*), "one pointer per entry");

// The table of this process: zero at load, rewritten at the start of every initPlugin and execute.
extern HostFunctionTable gHostFunctions;

// The host's names in table order (kHostFunctionCount entries).
extern const char* const kHostFunctionNames[kHostFunctionCount];

// Resolves every entry from the already loaded host module ("Zentrovis.exe", else "ZentrovisZR.exe").
// False when neither module is loaded (table unchanged) or the version function is missing (version entry
// null, the others unchanged); otherwise every entry is written, null included, and the result is true.
bool bindHostFunctions(void);

// True when (first, second, third) is at or above the required triple, compared lexicographically.
bool isVersionAtLeast(int first, int second, int third, int requiredFirst, int requiredSecond,
                      int requiredThird);

// True when each of the 20 entries the plug-in calls is present in the table.
bool hasAllCalledHostFunctions(void);

// The start of initPlugin and execute: bind, require every called entry, then the version gate (which shows
// its message box when the host is too old). True when the plug-in may go on.
bool bindAndCheckHost(void);

#endif
