// Marks what the plug-in module exports to its host: its plain functions and its classes.
#ifndef POSALIGN_HOST_API_MODULE_EXPORT_H
#define POSALIGN_HOST_API_MODULE_EXPORT_H

#if defined(_WIN32)
#define POSALIGN_EXPORT __declspec(dllexport)
#else
#define POSALIGN_EXPORT __attribute__((visibility("default")))
#endif

#endif
