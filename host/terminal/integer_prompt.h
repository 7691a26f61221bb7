// The host's integer prompt as a terminal dialogue.
#ifndef POSALIGN_HOST_TERMINAL_INTEGER_PROMPT_H
#define POSALIGN_HOST_TERMINAL_INTEGER_PROMPT_H

#include <iosfwd>
#include <string>

// The answer and how it was obtained.
struct PromptAnswer {
    int value = 0;
    bool tookDefault = false; // an empty line or the end of the input chose the default
};

// Shows the prompt and reads lines until one holds a whole number in lowest..highest (surrounding blanks
// allowed). A bad line is answered with a hint and the question is asked again. An empty line, or the end
// of the input, takes defaultValue.
PromptAnswer askInteger(std::istream& in, std::ostream& out, const std::string& prompt, int defaultValue,
                        int lowest, int highest);

#endif
