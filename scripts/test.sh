#!/usr/bin/env bash
# Installs, builds and runs every test: each fuzz target for a short while,
# then the unit, interoperability and window tests through ctest, then the
# libraries' and the command line's tests again under AddressSanitizer and
# UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/fuzz.sh
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "${QM_BUILD_DIR:-build}" --output-on-failure -j2
scripts/sanitize.sh
