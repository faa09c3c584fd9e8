#!/usr/bin/env bash
# clang-tidy (.clang-tidy) over the C++ files a change touches: those that
# differ from where the branch left main (origin/main when there is no local
# main), uncommitted changes included; on main itself, the last commit's. A
# changed header is checked through the .cpp of the same name. Every file is
# named with what became of it.
#   scripts/check-tidy.sh [BUILD_FOLDER]   (build by default; it holds the
#   compile_commands.json that CMake writes)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

if ! command -v clang-tidy >/dev/null; then
  echo "clang-tidy is missing (scripts/setup.sh installs it): skipped"
  [[ ${QUILLMARK_REQUIRE_TOOLS:-} == 1 ]] && exit 1
  exit 77
fi
[[ -f $build/compile_commands.json ]] || { echo "no $build/compile_commands.json: configure first" >&2; exit 1; }

main=main
git rev-parse -q --verify main >/dev/null || main=origin/main
base=$(git merge-base HEAD "$main" 2>/dev/null || true)
[[ -z $base || $base == $(git rev-parse HEAD) ]] && base=$(git rev-parse -q --verify HEAD^ || true)
[[ -n $base ]] || { echo "no commit to compare with: nothing to check"; exit 0; }

declare -A seen=()
files=()
while IFS= read -r file; do
  if [[ $file == *.h ]]; then
    [[ -f ${file%.h}.cpp ]] || { echo "not checked, no .cpp of its name: $file"; continue; }
    file=${file%.h}.cpp
  fi
  [[ -z ${seen[$file]:-} ]] || continue
  seen[$file]=1
  if grep -qF "\"file\": \"$PWD/$file\"" "$build/compile_commands.json"; then
    files+=("$file")
  else
    echo "not checked, not built in $build: $file"
  fi
done < <(git diff --name-only --diff-filter=d "$base" -- '*.cpp' '*.h')

if ((${#files[@]} == 0)); then
  echo "no built C++ file changed since ${base:0:12}"
  exit 0
fi
echo "clang-tidy on ${#files[@]} files changed since ${base:0:12}"
printf '%s\n' "${files[@]}" | xargs -P2 -n4 clang-tidy -p "$build" --quiet 2>/dev/null
