// Terminal dialogue for an integer in a range.
#include "host/terminal/integer_prompt.h"

#include <cerrno>
#include <cstdlib>
#include <istream>
#include <ostream>

namespace {

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// True when text is a whole decimal number that fits an int.
bool parseWholeNumber(const std::string& text, int& value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long parsed = strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || parsed < -2147483647L - 1 ||
        parsed > 2147483647L) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

PromptAnswer askInteger(std::istream& in, std::ostream& out, const std::string& prompt, int defaultValue,
                        int lowest, int highest) {
    out << prompt << "\n";
    for (;;) {
        out << "Enter a number from " << lowest << " to " << highest << " [" << defaultValue
            << "]: " << std::flush;
        std::string line;
        if (!std::getline(in, line)) {
            out << "\n(no answer; taking " << defaultValue << ")\n" << std::flush;
            return PromptAnswer{defaultValue, true};
        }
        std::string answer = trimmed(line);
        if (answer.empty()) {
            return PromptAnswer{defaultValue, true};
        }
        int value = 0;
        if (parseWholeNumber(answer, value) && value >= lowest && value <= highest) {
            return PromptAnswer{value, false};
        }
        out << "\"" << answer << "\" is not a whole number from " << lowest << " to " << highest << ".\n";
    }
}
