// Turning the plug-in's HTML metadata into plain terminal text.
#include "host/terminal/terminal_text.h"

#include <cctype>

namespace {

// The tag's name in lower case ("br" for "<BR/>", "/p" for "</P>").
std::string tagName(const std::string& tag) {
    std::string name;
    for (char c : tag) {
        if (std::isspace(static_cast<unsigned char>(c)) || (c == '/' && !name.empty())) {
            break;
        }
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

// A tag starts with a letter, or with '/' or '!' and then a letter; "a < b" holds no tag.
bool opensTag(const std::string& html, size_t at) {
    size_t next = at + 1;
    if (next < html.size() && (html[next] == '/' || html[next] == '!')) {
        ++next;
    }
    return next < html.size() && std::isalpha(static_cast<unsigned char>(html[next]));
}

} // namespace

std::string terminalTextFromHtml(const std::string& html) {
    static const struct {
        const char* entity;
        const char* text;
    } kEntities[] = {{"&amp;", "&"},   {"&lt;", "<"},  {"&gt;", ">"},
                     {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}};
    std::string text;
    for (size_t i = 0; i < html.size();) {
        size_t close = html.find('>', i);
        if (html[i] == '<' && opensTag(html, i) && close != std::string::npos) {
            std::string name = tagName(html.substr(i + 1, close - i - 1));
            if (name == "br" || name == "p" || name == "/p") {
                if (!text.empty() && text.back() != '\n') {
                    text += '\n';
                }
            }
            i = close + 1;
            continue;
        }
        bool decoded = false;
        for (const auto& e : kEntities) {
            if (html.compare(i, std::char_traits<char>::length(e.entity), e.entity) == 0) {
                text += e.text;
                i += std::char_traits<char>::length(e.entity);
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            text += html[i++];
        }
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::string pluginBanner(const std::string& name, const std::string& version, const std::string& author) {
    std::string plainName = terminalTextFromHtml(name);
    std::string plainVersion = terminalTextFromHtml(version);
    std::string banner = plainName;
    if (!plainVersion.empty() && plainName.find(plainVersion) == std::string::npos) {
        banner += " " + plainVersion;
    }
    return banner + " by " + terminalTextFromHtml(author);
}
