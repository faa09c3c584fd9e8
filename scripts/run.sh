#!/usr/bin/env bash
# Installs, builds and starts Quillmark; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec "${QM_BUILD_DIR:-build}/src/app/quillmark" "$@"
