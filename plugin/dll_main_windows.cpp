// Module entry of posalign.dll: the plug-in needs no per-thread notifications.
extern "C" {
__declspec(dllimport) int __stdcall DisableThreadLibraryCalls(void* module);

int __stdcall DllMain(void* module, unsigned long reason, void* reserved) {
    (void)reserved;
    const unsigned long kProcessAttach = 1;
    if (reason == kProcessAttach) {
        DisableThreadLibraryCalls(module);
    }
    return 1;
}
}
