// Texts the plug-in gives for the host's dialogs, made fit for a terminal.
#ifndef POSALIGN_HOST_TERMINAL_TERMINAL_TEXT_H
#define POSALIGN_HOST_TERMINAL_TERMINAL_TEXT_H

#include <string>

// The text of an HTML fragment: <br> and <p> become line breaks, other tags are dropped, the usual
// character entities (&amp; &lt; &gt; &quot; &#39; &nbsp;) are decoded. A '<' that opens no tag is kept.
std::string terminalTextFromHtml(const std::string& html);

// "NAME VERSION by AUTHOR" without markup; the version is left out when the name already states it.
std::string pluginBanner(const std::string& name, const std::string& version, const std::string& author);

#endif
