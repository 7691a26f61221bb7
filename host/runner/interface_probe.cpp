// A bare host for checking the plug-in's interface without documents: the host core's functions over an
// empty workspace, reporting the version given on the command line and printing every call that reaches it.
//
//   Zentrovis <plug-in module> [--host-version A.B.C] [--execute-only]
#include <stdio.h>
#include <string.h>

#include "host/core/host_functions.h"
#include "host/core/workspace.h"
#include "host/runner/plugin_session.h"

static void printCall(void*, const char* functionName, int documentIndex) {
    printf("call: %s(%d)\n", functionName, documentIndex);
}

static void printLogText(void*, const char* text) {
    printf("log: %s\n", text);
}

static void printMessageBox(void*, const char* text) {
    printf("message box: %s\n", text);
}

static int printPrompt(void*, const char* prompt, int defaultValue, int, int) {
    printf("prompt: %s\n", prompt);
    return defaultValue;
}

int main(int argumentCount, char** arguments) {
    const char* modulePath = 0;
    bool callInitPlugin = true;
    int version[3] = {2, 9, 9};
    for (int i = 1; i < argumentCount; ++i) {
        if (strcmp(arguments[i], "--execute-only") == 0) {
            callInitPlugin = false;
        } else if (strcmp(arguments[i], "--host-version") == 0 && i + 1 < argumentCount) {
            if (sscanf(arguments[++i], "%d.%d.%d", &version[0], &version[1], &version[2]) != 3) {
                fprintf(stderr, "--host-version needs A.B.C\n");
                return 2;
            }
        } else if (modulePath == 0) {
            modulePath = arguments[i];
        } else {
            fprintf(stderr, "unexpected argument: %s\n", arguments[i]);
            return 2;
        }
    }
    if (modulePath == 0) {
        fprintf(stderr, "usage: %s <plug-in module> [--host-version A.B.C] [--execute-only]\n", arguments[0]);
        return 2;
    }
    static HostWorkspace workspace;
    initWorkspace(&workspace);
    workspace.callbacks.noteCall = printCall;
    workspace.callbacks.logText = printLogText;
    workspace.callbacks.messageBox = printMessageBox;
    workspace.callbacks.promptInteger = printPrompt;
    installWorkspace(&workspace);
    setHostVersion(version[0], version[1], version[2]);
    printf("host version: %d.%d.%d\n", version[0], version[1], version[2]);
    int result = runPluginSession(modulePath, callInitPlugin);
    installWorkspace(0);
    return result;
}
