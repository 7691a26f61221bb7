#!/usr/bin/env bash
# The bare host drives posalign.dll under Wine through its plain exports and vtable (initPlugin, execute,
# the virtual destructor) at host versions around the gate; every output is byte-identical to the Linux
# twin's with posalign.so.
#   check_interface_probe.sh <Windows probe exe> <posalign.dll> <Linux probe> <posalign.so> <work dir>
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

win_probe=$1
win_module=$2
linux_probe=$3
linux_module=$4
work=$5
require_wine
[ -f "$win_probe" ] || fail "$win_probe not built (make build-windows)"
[ -f "$win_module" ] || fail "$win_module not built (make build-windows)"
rm -rf "$work"
mkdir -p "$work"

gate_message="message box: Can not execute this plugin - Zentrovis version 20.0 or higher required."

# version, expected exit code (0 executed, 3 refused by initPlugin, 4 execute false)
while read -r version expected_rc; do
    win_out="$work/windows-$version.txt"
    linux_out="$work/linux-$version.txt"
    wine_run "$win_out" "$win_probe" "$(windows_path "$win_module")" --host-version "$version"
    win_rc=$RC
    native_run "$linux_out" "$linux_probe" "$linux_module" --host-version "$version"
    [ "$win_rc" = "$expected_rc" ] || fail "host $version: Windows exit code $win_rc, expected $expected_rc"
    [ "$RC" = "$expected_rc" ] || fail "host $version: Linux exit code $RC, expected $expected_rc"
    same_bytes "$win_out" "$linux_out"

    expect_line "$win_out" 'getPluginName: "posalignplugin (v0.9.1)"'
    expect_line "$win_out" 'getPluginVersion: "0.9.1"'
    expect_line "$win_out" 'getGUIScript is getHelpFile: yes'
    expect_line "$win_out" 'createPlugin: object'
    expect_line "$win_out" 'deleted'
    if [ "$expected_rc" = 3 ]; then
        expect_line "$win_out" "$gate_message"
        expect_line "$win_out" 'initPlugin: false'
        ! grep -q '^execute:' "$win_out" || fail "host $version: execute called after a refused initPlugin"
    else
        ! grep -qxF "$gate_message" "$win_out" || fail "host $version: gate refused a new enough host"
        expect_line "$win_out" 'initPlugin: true'
        # No document is open: execute runs and stops at the document check.
        expect_line "$win_out" 'posalignplugin> Started...'
        expect_line "$win_out" 'execute: false'
    fi
    echo "host $version: exit code $expected_rc on both, outputs identical"
done <<'CASES'
2.9.9 4
2.9.8 3
2.10.0 4
3.0.0 4
1.99.99 3
CASES
