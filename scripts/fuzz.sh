#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/fuzz_*.cpp) with clang in build-fuzz/
# and runs each one for a short while; any crash fails the script.
#   FUZZ_SECONDS   time per target (default 20)
#   QM_FUZZ_BUILD_DIR  build folder (default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
build=${QM_FUZZ_BUILD_DIR:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_FUZZ=ON -DQM_COMPONENTS="formats;settings;journal;table;text;options;lists" \
  -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2

failed=()
shopt -s nullglob
for target in "$build"/fuzz/fuzz_*; do
  [[ -f $target && -x $target ]] || continue
  name=$(basename "$target")
  corpus="$build/fuzz/corpus/$name"
  artifacts="$build/fuzz/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  echo "== $name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" 2>"$build/fuzz/$name.log"; then
    tail -n 60 "$build/fuzz/$name.log"
    failed+=("$name")
  else
    grep -E '^stat::number_of_executed_units' "$build/fuzz/$name.log" || true
  fi
done

if ((${#failed[@]})); then
  echo "fuzz targets failed: ${failed[*]} (inputs in $build/fuzz/artifacts/)" >&2
  exit 1
fi
echo "all fuzz targets ran clean"
