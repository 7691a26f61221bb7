// Marks the host functions that the stand-in host exports by name from its executable, so that the plug-in
// finds them as it finds them in the real host.
#ifndef POSALIGN_HOST_CORE_HOST_EXPORT_H
#define POSALIGN_HOST_CORE_HOST_EXPORT_H

#if defined(_WIN32)
#define HOST_EXPORT __declspec(dllexport)
#else
#define HOST_EXPORT __attribute__((visibility("default")))
#endif

#endif
