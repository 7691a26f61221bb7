#!/usr/bin/env bash
# Runs the stand-in host on its built-in phantom and says where the outputs are.
set -euo pipefail
build="${1:-build}"
out="${2:-out/demo}"
mkdir -p "$out"
if [ -x "$build/Zentrovis" ]; then
  "$build/Zentrovis" --demo --mapping 1 --out "$out" --force
  echo
  echo "Outputs in $out:"
  ls -1 "$out"
else
  # Until the stand-in host is built, show what the module tells its host.
  "$build/tests/plugin/show_plugin_metadata" "$build/posalign.so"
fi
