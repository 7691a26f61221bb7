// Entry point of a console executable of the cross build: the system passes no arguments, so the command
// line is split here and handed to main like any C runtime would.
#include <corecrt_startup.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "platform/windows_runtime/command_line.h"
#include "platform/windows_runtime/module_lifetime.h"

extern "C" {
__declspec(dllimport) char* __stdcall GetCommandLineA(void);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int exitCode);
}

int main(int argumentCount, char** arguments);

// Calling main is the startup code's job, which the language leaves to the implementation.
#pragma clang diagnostic ignored "-Wmain"

extern "C" void __cdecl mainCRTStartup(void) {
    _set_app_type(_crt_console_app);
    startModuleObjects();
    const char* line = GetCommandLineA();
    size_t length = strlen(line);
    char* storage = static_cast<char*>(malloc(length + 1));
    char** arguments = static_cast<char**>(malloc(commandLineArgumentCapacity(length) * sizeof(char*)));
    int exitCode = 1;
    if (storage != 0 && arguments != 0) {
        exitCode = main(splitCommandLine(line, storage, arguments), arguments);
    } else {
        fputs("out of memory while reading the command line\n", stderr);
    }
    free(arguments);
    free(storage);
    endModuleObjects();
    // ExitProcess does not flush the C runtime's buffers.
    fflush(0);
    ExitProcess(static_cast<unsigned int>(exitCode));
}
