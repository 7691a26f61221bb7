#!/usr/bin/env bash
# Checks what the plug-in module exports: exactly the seven plain-named functions the host looks up (with
# getHelpFile and getGUIScript at one address), the members of the two plug-in classes, and nothing of the
# plug-in's inner code.
#
# Usage: check_module_exports.sh <module> [nm]
set -euo pipefail
module="$1"
nm_tool="${2:-nm}"

symbols=$("$nm_tool" -D --defined-only "$module")
status=0

plain=$(awk '$3 !~ /^_/ { print $3 }' <<<"$symbols" | sort)
expected=$(printf '%s\n' createPlugin getAuthor getGUIScript getHelpFile getPluginDescription getPluginName \
    getPluginVersion | sort)
if [ "$plain" != "$expected" ]; then
    echo "plain-named exports differ from the seven the host looks up:"
    diff <(echo "$expected") <(echo "$plain") || true
    status=1
fi

help_address=$(awk '$3 == "getHelpFile" { print $1 }' <<<"$symbols")
gui_address=$(awk '$3 == "getGUIScript" { print $1 }' <<<"$symbols")
if [ -z "$help_address" ] || [ "$help_address" != "$gui_address" ]; then
    echo "getHelpFile ($help_address) and getGUIScript ($gui_address) are not one function"
    status=1
fi

demangled=$("$nm_tool" -DC --defined-only "$module")
for member in \
    "ZVZRPluginInterface::ZVZRPluginInterface()" \
    "ZVZRPluginInterface::ZVZRPluginInterface(ZVZRPluginInterface const&)" \
    "ZVZRPluginInterface::operator=(ZVZRPluginInterface const&)" \
    "ZVZRPluginInterface::~ZVZRPluginInterface()" \
    "posalignplugin::posalignplugin()" \
    "posalignplugin::~posalignplugin()" \
    "posalignplugin::execute()" \
    "posalignplugin::initPlugin()"; do
    if ! grep -qF " $member" <<<"$demangled"; then
        echo "not exported: $member"
        status=1
    fi
done

if [ "$status" -eq 0 ]; then
    echo "$module exports the seven host entry points and the plug-in classes, nothing else by plain name"
fi
exit "$status"
