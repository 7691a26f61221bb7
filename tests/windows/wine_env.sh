# Shared by the Windows tests: running a Windows program under Wine in the build's own prefix.
# Source it; needs WINE64 (the wine64 loader) and WINEPREFIX (a writable folder) in the environment.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A missing Wine fails the test: the Windows build is not proven without it.
require_wine() {
    [ -n "${WINE64:-}" ] && [ -x "$WINE64" ] || fail "wine64 not found (install wine64); it is required"
    mkdir -p "$WINEPREFIX" || fail "cannot create WINEPREFIX $WINEPREFIX"
    export WINEPREFIX WINEDEBUG=-all
}

# wine_run OUT EXE ARGS...: runs EXE under Wine with its stdout in OUT (Windows line ends made Unix ones);
# sets RC to the exit code.
wine_run() {
    local out=$1
    shift
    set +e
    "$WINE64" "$@" </dev/null >"$out.crlf"
    RC=$?
    set -e
    tr -d '\r' <"$out.crlf" >"$out"
    rm -f "$out.crlf"
}

# native_run OUT EXE ARGS...: the same for a Linux program.
native_run() {
    local out=$1
    shift
    set +e
    "$@" </dev/null >"$out"
    RC=$?
    set -e
}

# expect_line FILE TEXT: FILE has a line that is exactly TEXT.
expect_line() {
    grep -qxF -- "$2" "$1" || fail "$1 lacks the line: $2"
}

# same_bytes A B: the two files are byte-identical (shows the first difference otherwise).
same_bytes() {
    if ! cmp -s "$1" "$2"; then
        diff "$1" "$2" | head -20 >&2 || true
        cmp "$1" "$2" >&2 || true
        fail "$1 and $2 differ"
    fi
}

# windows_path PATH: an absolute Unix path as Wine's drive Z: sees it.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}
