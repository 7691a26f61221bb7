#!/usr/bin/env bash
# Runs the stand-in host Zentrovis with the posalign plug-in on its built-in phantom: the plug-in's log is
# shown as it is written, then where the outputs are. MAPPING=2 or 3 chooses another mapping (default 1).
set -euo pipefail
build="${1:-build}"
out="${2:-out/demo}"
mapping="${MAPPING:-1}"

if [ ! -x "$build/Zentrovis" ]; then
  cmake --build "$build" --target Zentrovis
fi
# With --force the run replaces the earlier demo's outputs and removes those it does not make again.

echo "== Zentrovis --demo --mapping $mapping --out $out"
status=0
"$build/Zentrovis" --demo --mapping "$mapping" --out "$out" --force || status=$?

echo
echo "== Outputs in $out:"
ls -l "$out"
last_picture="$(ls -1 "$out"/window-*.png 2>/dev/null | tail -n 1 || true)"
if [ -n "$last_picture" ]; then
  echo "Last window picture: $last_picture"
fi
echo "Log: $out/posalign.log"
exit "$status"
