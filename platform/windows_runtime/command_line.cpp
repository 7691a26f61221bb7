// Windows command-line splitting (the executable's entry point receives only the whole line).
#include "platform/windows_runtime/command_line.h"

static bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

size_t commandLineArgumentCapacity(size_t lineLength) {
    // Every argument but the first takes at least one separator and one character (or two quotes).
    return lineLength / 2 + 2;
}

// Copies the program name, which has no escapes; returns the position after it.
static const char* copyProgramName(const char* in, char** out) {
    bool quoted = false;
    while (*in != '\0' && (quoted || !isBlank(*in))) {
        if (*in == '"') {
            quoted = !quoted;
        } else {
            *(*out)++ = *in;
        }
        ++in;
    }
    *(*out)++ = '\0';
    return in;
}

// Copies one further argument with the backslash and quote rules; returns the position after it.
static const char* copyArgument(const char* in, char** out) {
    bool quoted = false;
    while (*in != '\0' && (quoted || !isBlank(*in))) {
        size_t backslashes = 0;
        while (*in == '\\') {
            ++backslashes;
            ++in;
        }
        if (*in == '"') {
            for (size_t i = 0; i < backslashes / 2; ++i) {
                *(*out)++ = '\\';
            }
            if (backslashes % 2 == 1) {
                *(*out)++ = '"';
            } else if (quoted && in[1] == '"') {
                // A doubled quote inside quotes is one literal quote.
                *(*out)++ = '"';
                ++in;
            } else {
                quoted = !quoted;
            }
            ++in;
        } else {
            for (size_t i = 0; i < backslashes; ++i) {
                *(*out)++ = '\\';
            }
            if (*in != '\0' && (quoted || !isBlank(*in))) {
                *(*out)++ = *in++;
            }
        }
    }
    *(*out)++ = '\0';
    return in;
}

int splitCommandLine(const char* line, char* storage, char** arguments) {
    int count = 0;
    char* out = storage;
    const char* in = line;
    while (isBlank(*in)) {
        ++in;
    }
    if (*in != '\0') {
        arguments[count++] = out;
        in = copyProgramName(in, &out);
    }
    for (;;) {
        while (isBlank(*in)) {
            ++in;
        }
        if (*in == '\0') {
            break;
        }
        arguments[count++] = out;
        in = copyArgument(in, &out);
    }
    arguments[count] = 0;
    return count;
}
