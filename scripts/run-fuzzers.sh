#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a given time, one after the other at low priority, and
# prints per target its executions per second, coverage (cov: edges, ft: features) and findings.
# Usage: run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]   (targets: nifti_read execute geometry)
set -euo pipefail
build="${1:?build folder}"
seconds="${2:?seconds per target}"
shift 2
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then targets=(nifti_read execute geometry); fi

fuzz="$build/fuzz"
"$fuzz/make_seeds" "$fuzz/corpus"
status=0
for target in "${targets[@]}"; do
  mkdir -p "$fuzz/grown/$target" "$fuzz/findings/$target"
  log="$fuzz/findings/$target/last-run.log"
  echo "== $target: $seconds s"
  set +e
  program="$fuzz/${target}_fuzzer"
  # A target that must run under the host's program name sits in a folder of that name.
  if [ -d "$program" ]; then program="$program/Zentrovis"; fi
  nice -n 10 "$program" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$fuzz/findings/$target/" "$fuzz/grown/$target" "$fuzz/corpus/$target" >"$log" 2>&1
  result=$?
  set -e
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)"
  echo "   last status: $last"
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" | sed 's/^/   /' || true
  findings="$(find "$fuzz/findings/$target" -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' | wc -l)"
  echo "   findings kept in $fuzz/findings/$target: $findings (log: $log)"
  if [ "$result" -ne 0 ]; then status=1; fi
done
exit "$status"
