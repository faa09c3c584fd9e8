#!/usr/bin/env bash
# Builds libraries and their unit tests with AddressSanitizer and UBSan in
# build-sanitize/, and runs those tests there: a memory error, a leak or
# undefined behaviour fails the test that met it. The acceptance flows and
# the package checks stay with the main suite: they drive the program as a
# user gets it, not the libraries.
#   QM_SANITIZE_COMPONENTS  the libraries (default: every one but the
#                           window's, with the command line's program and
#                           tests: about five minutes on two cores); "all"
#                           adds the window and its tests
#   QM_SANITIZE_BUILD_DIR   build folder (default build-sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QM_SANITIZE_BUILD_DIR:-build-sanitize}
components=${QM_SANITIZE_COMPONENTS:-formats;settings;table;text;options;lists;journal;pictures;jobs;session;player;cli}
[[ $components == all ]] && components=""

# -O1 with line tables only: what the sanitizers need for exact reports and
# readable stacks, at two thirds of the compile time of -O2 -g.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DQM_COMPONENTS="$components" \
  -DQM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2

suppressions=$PWD/scripts/lsan.supp
# Full stacks for every allocation, since Qt is built without frame pointers
# and a leak's report has to reach the code that made it; the command line's
# tests preload their fault shim ahead of the sanitizer's runtime.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0:verify_asan_link_order=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# The style checks look at the sources, not at what was built, and the
# acceptance and package tests at the program as a user gets it: the main
# suite runs them.
ctest --test-dir "$build" --output-on-failure -j2 -LE 'style|acceptance|package'
