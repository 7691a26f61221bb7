#!/usr/bin/env bash
# Times a mapping-2 run of Zentrovis on a 64 x 64 x 36 x 300 functional against a 256^3 anatomical, both
# made from the phantom (with noise) in a scratch folder, once per compression. Wall time depends on what
# else the machine runs; processor time (user + system, of both threads) much less.
#   bash scripts/time-write.sh [BUILD_DIR] [VOLUMES]
set -euo pipefail
build="${1:-build}"
volumes="${2:-300}"
cmake --build "$build" --target Zentrovis make_timing_input >/dev/null
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$build/bench/make_timing_input" "$scratch" "$volumes" >/dev/null
TIMEFORMAT='%R %U %S'
# Each run also writes report.html (the alignment check on a second thread); "fast-no-report" leaves it out.
for choice in fast fast-no-report default none; do
  compression="${choice%-no-report}"
  extra=()
  [ "$choice" != "$compression" ] && extra=(--no-report)
  times=$( { time "$build/Zentrovis" --vmr "$scratch/anat.nii.gz" --fmr "$scratch/func.nii.gz" --mapping 2 \
    --compression "$compression" "${extra[@]}" --out "$scratch/out-$choice" >/dev/null 2>&1; } 2>&1 )
  size=$(stat -c %s "$scratch/out-$choice"/func_VMR.nii*)
  echo "$choice $times $size" |
    awk '{ printf "%-15s wall %6.2f s   processor %6.2f s   func_VMR: %5.1f MB\n", $1, $2, $3 + $4, $5 / 1e6 }'
done
