#!/usr/bin/env bash
# The export table of posalign.dll: seven plain names (getGUIScript at getHelpFile's address), the class
# members with MSVC decorations, no Itanium names, and no imports beyond kernel32 and the UCRT.
#   check_dll_exports.sh <llvm-objdump> <posalign.dll>
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

objdump=$1
dll=$2
[ -n "$objdump" ] && [ -x "$objdump" ] || fail "llvm-objdump not found"
[ -f "$dll" ] || fail "$dll not built (make build-windows)"

headers=$("$objdump" -p "$dll")
grep -q "file format coff-x86-64" <<<"$headers" || fail "$dll is not a 64-bit x86 PE module"
# "ordinal RVA name" rows of the export table.
exports=$(sed -n '/^Export Table:/,$p' <<<"$headers" | awk 'NF == 3 && $2 ~ /^0x/ { print $3, $2 }')

rva_of() {
    awk -v n="$1" '$1 == n { print $2 }' <<<"$exports"
}

for name in createPlugin getPluginName getPluginDescription getAuthor getHelpFile getGUIScript getPluginVersion; do
    [ -n "$(rva_of "$name")" ] || fail "plain export $name missing"
done
[ "$(rva_of getGUIScript)" = "$(rva_of getHelpFile)" ] || fail "getGUIScript is not at getHelpFile's address"

for name in \
    '??0ZVZRPluginInterface@@QEAA@XZ' \
    '??0ZVZRPluginInterface@@QEAA@AEBV0@@Z' \
    '??1ZVZRPluginInterface@@UEAA@XZ' \
    '??4ZVZRPluginInterface@@QEAAAEAV0@AEBV0@@Z' \
    '??0posalignplugin@@QEAA@XZ' \
    '??1posalignplugin@@UEAA@XZ' \
    '?execute@posalignplugin@@UEAA_NXZ' \
    '?initPlugin@posalignplugin@@UEAA_NXZ'; do
    [ -n "$(rva_of "$name")" ] || fail "class export $name missing"
done
if grep -q '^_Z' <<<"$exports"; then
    fail "Itanium-decorated exports found: $(grep '^_Z' <<<"$exports" | head -3)"
fi

imports=$(sed -n '/^Import Table:/,/^Export Table:/p' <<<"$headers" | awk '/DLL Name:/ { print tolower($3) }' | sort -u)
for dll_name in $imports; do
    case "$dll_name" in
    kernel32.dll | ucrtbase.dll) ;;
    *) fail "unexpected import of $dll_name" ;;
    esac
done
echo "export table of $dll: OK"
echo "$exports"
