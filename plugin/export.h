// Marks what the plug-in module exports to its host.
#ifndef POSALIGN_PLUGIN_EXPORT_H
#define POSALIGN_PLUGIN_EXPORT_H

#if defined(_WIN32)
#define POSALIGN_EXPORT __declspec(dllexport)
#else
#define POSALIGN_EXPORT __attribute__((visibility("default")))
#endif

#endif
