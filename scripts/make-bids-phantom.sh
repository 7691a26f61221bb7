#!/usr/bin/env bash
# Writes the BIDS dataset made from the built-in phantom (20 runs of 64x64x36x200 EPIs against 1 mm T1s,
# about 1 GB) that the dataset-wide check is timed with. Not kept in the repository: make it when needed.
#   scripts/make-bids-phantom.sh [OUT_DIR] [--faults]    (default OUT_DIR: out/bids-phantom)
set -euo pipefail
BUILD=${BUILD:-build}
OUT=${1:-out/bids-phantom}
shift || true
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$BUILD" -j "$(nproc)" --target phantom_bids_dataset > /dev/null
rm -rf "$OUT"
"$BUILD"/bench/phantom_bids_dataset "$OUT" "$@"
