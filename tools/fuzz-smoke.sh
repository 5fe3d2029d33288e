#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzzing build for a while, each on a scratch copy of its
# seeds (fuzz/corpus/<name>), and fails on the first finding.
# Usage: tools/fuzz-smoke.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

targets=("$build"/fuzz/*_fuzz)
[[ -x ${targets[0]} ]] || { echo "no fuzz targets in $build/fuzz" >&2; exit 1; }
for target in "${targets[@]}"; do
  name=$(basename "$target" _fuzz)
  name=${name#decompress_}
  mkdir -p "$scratch/$name"
  [[ -d $root/fuzz/corpus/$name ]] && cp -r "$root/fuzz/corpus/$name/." "$scratch/$name/"
  log="$scratch/$name.log"
  if ! "$target" "$scratch/$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
      -print_final_stats=1 >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "fuzz-smoke: $(basename "$target") failed (log above)" >&2
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  echo "fuzz-smoke: $(basename "$target"): $runs runs in ${seconds} s, no finding"
done
