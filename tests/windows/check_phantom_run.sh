#!/usr/bin/env bash
# One phantom run of the Windows host under Wine against the same run of its Linux twin: exit code, the
# printed session with the plug-in's log, the saved FMR samples and the final VMR bytes must be identical.
#   check_phantom_run.sh <Windows runner> <posalign.dll> <Linux runner> <posalign.so> <work dir>
#                        <expect: executed|refused|nan|nan+inf> <runner options...>
# nan and nan+inf are executed runs whose log holds not-a-number values (and infinities).
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

win_runner=$1
win_module=$2
linux_runner=$3
linux_module=$4
work=$5
expect=$6
shift 6
require_wine
[ -f "$win_runner" ] || fail "$win_runner not built (make build-windows)"
[ -f "$win_module" ] || fail "$win_module not built (make build-windows)"
rm -rf "$work"
mkdir -p "$work/windows" "$work/linux"

# Both programs write relative to the work folder, which Wine sees as the current folder.
cd "$work"
# WINDOWS_POSALIGN_KERNELS=baseline gives the Windows run the baseline kernels while the Linux run takes
# the machine's best, so that one comparison also holds the two kernel paths to the same bytes.
POSALIGN_KERNELS="${WINDOWS_POSALIGN_KERNELS:-${POSALIGN_KERNELS:-}}" \
    wine_run windows.txt "$win_runner" "$(windows_path "$win_module")" --save-dir windows "$@"
win_rc=$RC
native_run linux.txt "$linux_runner" "$linux_module" --save-dir linux "$@"
linux_rc=$RC

[ "$win_rc" = "$linux_rc" ] || fail "exit codes differ: Windows $win_rc, Linux $linux_rc"
same_bytes "$work/windows.txt" "$work/linux.txt"
win_files=$(cd "$work/windows" && ls)
linux_files=$(cd "$work/linux" && ls)
[ "$win_files" = "$linux_files" ] || fail "different files written: Windows [$win_files], Linux [$linux_files]"
for file in $win_files; do
    same_bytes "$work/windows/$file" "$work/linux/$file"
done

case "$expect" in
executed | nan | nan+inf)
    [ "$win_rc" = 0 ] || fail "exit code $win_rc, expected 0 (executed)"
    expect_line "$work/windows.txt" 'initPlugin: true'
    expect_line "$work/windows.txt" 'execute: true'
    expect_line "$work/windows.txt" 'deleted'
    grep -q '^Finished\.$' "$work/windows.txt" || fail "the log does not end the run with Finished."
    [ -s "$work/windows/final.vmr.bytes" ] || fail "no VMR bytes written"
    ;;
refused)
    [ "$win_rc" = 3 ] || fail "exit code $win_rc, expected 3 (initPlugin refused)"
    expect_line "$work/windows.txt" \
        'message box: Can not execute this plugin - Zentrovis version 20.0 or higher required.'
    ! grep -q '^execute:' "$work/windows.txt" || fail "execute called after a refused initPlugin"
    ;;
*) fail "unknown expectation $expect" ;;
esac
# A value of the log, as the plug-in prints it: "nan", "inf" or "-inf" after a blank or at a line start.
has_value() {
    grep -Eq "(^|[[:space:]])$1([[:space:]]|\$)" "$work/windows.txt"
}
case "$expect" in
nan) has_value nan || fail "the log holds no not-a-number value" ;;
nan+inf)
    has_value nan || fail "the log holds no not-a-number value"
    has_value '-?inf' || fail "the log holds no infinite value"
    ;;
esac
echo "$* : $expect, exit code $win_rc, log and $(wc -w <<<"$win_files") raw files identical"
