#!/usr/bin/env bash
# The cross build's startup code under Wine: static objects built before main and destroyed after it,
# arguments split as the C runtime would, buffered output flushed, main's result as the exit code.
#   check_startup.sh <startup_check.exe> <work dir>
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

program=$1
work=$2
require_wine
[ -f "$program" ] || fail "$program not built (make build-windows)"
rm -rf "$work"
mkdir -p "$work"

wine_run "$work/out.txt" "$program" plain "two words" 'quote"inside' 'Z:\dir\file.dll' ''
[ "$RC" = 7 ] || fail "exit code $RC, expected main's 7"
cat >"$work/expected.txt" <<'EXPECTED'
constructed before main: yes
argument 1: [plain]
argument 2: [two words]
argument 3: [quote"inside]
argument 4: [Z:\dir\file.dll]
argument 5: []
static object destroyed
EXPECTED
same_bytes "$work/out.txt" "$work/expected.txt"
echo "startup code: OK"
