// Numbers with fixed decimals.
#include "host/terminal/number_text.h"

#include <cstdio>

std::string fixedText(double value, int decimals) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}
