#!/usr/bin/env bash
# Every C++ file of the tree follows .clang-format; prints the files that do
# not and fails. `scripts/check-style.sh --fix` formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ ${1:-} == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
  grep -E '^[^ ].*: (error|warning):' <<<"$report" | cut -d: -f1 | sort -u
  echo "not formatted by .clang-format (scripts/check-style.sh --fix formats them)" >&2
  exit 1
fi
