// Text from outside the program (file names, messages naming them) made safe to print on a terminal.
#ifndef POSALIGN_HOST_TERMINAL_PRINTABLE_TEXT_H
#define POSALIGN_HOST_TERMINAL_PRINTABLE_TEXT_H

#include <string>

// text with every control character (below 0x20, and 0x7f) written as \xNN, so that a name cannot move the
// cursor or clear the terminal; tabs and line ends are kept when keepLayout is true. Other bytes pass
// unchanged.
std::string printableText(const std::string& text, bool keepLayout = false);

#endif
