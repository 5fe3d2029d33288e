#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzzing build for a while, each on a scratch copy of its
# seeds (fuzz/corpus/<name> and BUILD_DIR/fuzz/corpus/<name>), two at a time, and fails if any target finds something.
# Usage: tools/fuzz-smoke.sh BUILD_DIR SECONDS_PER_TARGET [PARALLEL]
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-20}
parallel=${3:-2}
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

targets=("$build"/fuzz/*_fuzz)
[[ -x ${targets[0]} ]] || { echo "no fuzz targets in $build/fuzz" >&2; exit 1; }

run_one() {
  local target=$1 name
  name=$(basename "$target" _fuzz)
  name=${name#decompress_}
  mkdir -p "$scratch/$name"
  # Seeds kept in the tree, and those the build writes from the tests' worked examples.
  if [[ -d $root/fuzz/corpus/$name ]]; then cp -r "$root/fuzz/corpus/$name/." "$scratch/$name/"; fi
  if [[ -d $build/fuzz/corpus/$name ]]; then cp -r "$build/fuzz/corpus/$name/." "$scratch/$name/"; fi
  # A target started without seeds spends its time on inputs its parser throws out at once.
  if [[ -z $(ls -A "$scratch/$name") ]]; then
    echo "fuzz-smoke: $(basename "$target") has no seeds (fuzz/corpus/$name)" >&2
    return 1
  fi
  local log="$scratch/$name.log"
  if ! "$target" "$scratch/$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
      -print_final_stats=1 >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "fuzz-smoke: $(basename "$target") FAILED (log above)" >&2
    return 1
  fi
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  echo "fuzz-smoke: $(basename "$target"): $runs runs in $seconds s, no finding"
}

failed=0
running=0
for target in "${targets[@]}"; do
  if ((running >= parallel)); then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run_one "$target" &
  running=$((running + 1))
done
while ((running > 0)); do
  wait -n || failed=1
  running=$((running - 1))
done
exit "$failed"
