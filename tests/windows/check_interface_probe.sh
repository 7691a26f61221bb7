#!/usr/bin/env bash
# The bare host drives posalign.dll under Wine through its plain exports and vtable (initPlugin, execute,
# the virtual destructor): host versions around the gate, execute without initPlugin, and the host's module
# names. Every output is byte-identical to the Linux twin's with posalign.so.
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

# The probe under another file name, for both platforms: "<name>.exe" and "<name>".
for name in ZentrovisZR Other; do
    mkdir -p "$work/$name-windows" "$work/$name-linux"
    cp "$win_probe" "$work/$name-windows/$name.exe"
    cp "$linux_probe" "$work/$name-linux/$name"
done

# case name, host program name, host version, extra option, expected exit code, expectation
while read -r case_name host version option expected_rc expectation; do
    [ "$option" = - ] && option=""
    if [ "$host" = Zentrovis ]; then
        win_host=$win_probe
        linux_host=$linux_probe
    else
        win_host="$work/$host-windows/$host.exe"
        linux_host="$work/$host-linux/$host"
    fi
    win_out="$work/$case_name-windows.txt"
    linux_out="$work/$case_name-linux.txt"
    wine_run "$win_out" "$win_host" "$(windows_path "$win_module")" --host-version "$version" $option
    win_rc=$RC
    native_run "$linux_out" "$linux_host" "$linux_module" --host-version "$version" $option
    [ "$win_rc" = "$expected_rc" ] || fail "$case_name: Windows exit code $win_rc, expected $expected_rc"
    [ "$RC" = "$expected_rc" ] || fail "$case_name: Linux exit code $RC, expected $expected_rc"
    same_bytes "$win_out" "$linux_out"

    expect_line "$win_out" 'getPluginName: "posalignplugin (v0.9.1)"'
    expect_line "$win_out" 'getPluginVersion: "0.9.1"'
    expect_line "$win_out" 'getHelpFile: ""'
    expect_line "$win_out" 'getGUIScript is getHelpFile: yes'
    expect_line "$win_out" 'createPlugin: object'
    expect_line "$win_out" 'deleted'
    case "$expectation" in
    gate-refuses)
        expect_line "$win_out" "$gate_message"
        if [ -z "$option" ]; then
            expect_line "$win_out" 'initPlugin: false'
            ! grep -q '^execute:' "$win_out" || fail "$case_name: execute called after a refused initPlugin"
        else
            expect_line "$win_out" 'execute: false'
            ! grep -qxF 'posalignplugin> Started...' "$win_out" || fail "$case_name: the run started"
        fi
        ;;
    runs)
        # No document is open: execute runs and stops at the document check.
        ! grep -qxF "$gate_message" "$win_out" || fail "$case_name: the gate refused a new enough host"
        [ -n "$option" ] || expect_line "$win_out" 'initPlugin: true'
        expect_line "$win_out" 'posalignplugin> Started...'
        expect_line "$win_out" 'execute: false'
        ;;
    host-not-found)
        # Binding fails silently: no message box, no log.
        expect_line "$win_out" 'initPlugin: false'
        ! grep -qE '^(message box|log):|Started' "$win_out" || fail "$case_name: the plug-in reached the host"
        ;;
    esac
    echo "$case_name: exit code $expected_rc on both, outputs identical"
done <<'CASES'
version_2_9_9 Zentrovis 2.9.9 - 4 runs
version_2_9_8 Zentrovis 2.9.8 - 3 gate-refuses
version_2_8_99 Zentrovis 2.8.99 - 3 gate-refuses
version_2_10_0 Zentrovis 2.10.0 - 4 runs
version_3_0_0 Zentrovis 3.0.0 - 4 runs
version_1_99_99 Zentrovis 1.99.99 - 3 gate-refuses
execute_without_init Zentrovis 2.9.9 --execute-only 4 runs
execute_without_init_old_host Zentrovis 2.9.8 --execute-only 4 gate-refuses
second_host_name ZentrovisZR 2.9.9 - 4 runs
unknown_host_name Other 2.9.9 - 3 host-not-found
CASES
