// The 170 host functions the plug-in resolves but never calls, for test hosts that export all 190 names.
#ifndef POSALIGN_TESTS_SUPPORT_UNCALLED_HOST_FUNCTIONS_H
#define POSALIGN_TESTS_SUPPORT_UNCALLED_HOST_FUNCTIONS_H

#include "host/core/host_export.h"
#include "host_api/host_function_list.h"

#define ZR_DECLARE_UNCALLED(name) extern "C" HOST_EXPORT void name(void);
#define ZR_SKIP_CALLED(name, Result, Parameters)
ZR_HOST_FUNCTIONS(ZR_DECLARE_UNCALLED, ZR_SKIP_CALLED)
#undef ZR_DECLARE_UNCALLED
#undef ZR_SKIP_CALLED

// Records "uncalled: <name>" with the active ScriptedHost, if there is one.
void recordUncalledHostCall(const char* functionName);

#endif
