// Numbers as every message, table and page of the host writes them: fixed decimals, as printf's %.*f
// gives them in the C locale.
#ifndef POSALIGN_HOST_TERMINAL_NUMBER_TEXT_H
#define POSALIGN_HOST_TERMINAL_NUMBER_TEXT_H

#include <string>

// value with the given number of decimals ("nan" and "inf" as printf writes them).
std::string fixedText(double value, int decimals);

#endif
