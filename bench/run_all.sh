#!/bin/sh
# The whole benchmark suite: every bench_* program of the build (each prints
# its figures beside a baseline measured in the same run), then the
# whole-process timings of quillmark-cli (reading, then writing).
#
#   bench/run_all.sh [BUILD_DIR (default build)]
set -u
build=${1:-build}
here=$(dirname "$0")
status=0
# The window benchmarks run without a display.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for program in "$build"/bench/bench_*; do
    name=$(basename "$program")
    [ "$name" = bench_cli_baselines ] && continue
    [ -f "$program" ] && [ -x "$program" ] || continue
    echo "== $name"
    "$program" || status=1
    echo
done
echo "== cli_read.sh"
"$here/cli_read.sh" "$build" || status=1
echo
echo "== cli_write.sh"
"$here/cli_write.sh" "$build" || status=1
exit $status
