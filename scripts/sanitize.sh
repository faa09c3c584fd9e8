#!/usr/bin/env bash
# Builds libraries below the window and their unit tests with AddressSanitizer
# and UBSan in build-sanitize/, and runs those tests there: a memory error, a
# leak or undefined behaviour fails the test that met it.
#   QM_SANITIZE_COMPONENTS  the libraries (default: formats, the file parsers;
#                           every library below the window builds this way,
#                           "formats;settings;journal;table;text;options;lists;jobs;session;player",
#                           at 20 minutes or more on two cores)
#   QM_SANITIZE_BUILD_DIR   build folder (default build-sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QM_SANITIZE_BUILD_DIR:-build-sanitize}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON \
  -DQM_COMPONENTS="${QM_SANITIZE_COMPONENTS:-formats}" \
  -DQM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The style checks look at the sources, not at what was built: the main
# suite runs them.
ctest --test-dir "$build" --output-on-failure -j2 -LE 'style'
