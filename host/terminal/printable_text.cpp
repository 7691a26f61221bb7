// Escaping control characters for the terminal.
#include "host/terminal/printable_text.h"

#include <cstdio>

std::string printableText(const std::string& text, bool keepLayout) {
    std::string printable;
    printable.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        bool layout = c == '\t' || c == '\n';
        if ((byte < 0x20 && !(keepLayout && layout)) || byte == 0x7f) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            printable += escaped;
        } else {
            printable += c;
        }
    }
    return printable;
}
