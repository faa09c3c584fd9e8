#!/usr/bin/env bash
# Installs, builds and runs every test: the unit and window tests through
# ctest, then each fuzz target for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "${QM_BUILD_DIR:-build}" --output-on-failure -j2
if [[ -x scripts/fuzz.sh ]]; then
  scripts/fuzz.sh
fi
