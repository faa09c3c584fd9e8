#!/usr/bin/env bash
# Builds the Debian packages quillmark and quillmark-cli from a clean copy of
# the tree (no build folder ends up in them), then lets lintian judge the
# result: an error from it fails the script.
#   scripts/build-deb.sh [OUTPUT_FOLDER]     (build/deb by default)
# The .deb files, the .changes and the copied tree land in OUTPUT_FOLDER.
# Exit code 77: the Debian tools are not installed (1 with
# QUILLMARK_REQUIRE_TOOLS=1, where every tool must be there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build/deb}")

for tool in dpkg-buildpackage dpkg-parsechangelog lintian git; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (scripts/setup.sh installs it)"
        [[ ${QUILLMARK_REQUIRE_TOOLS:-} == 1 ]] && exit 1
        exit 77
    fi
done

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
# Always the same folder: the compiler flags hold its path, so ccache finds
# the objects of the last package build again.
src=$out/quillmark-${version%-*}
rm -rf "$src"
mkdir -p "$src"
# The files git knows, and new ones not yet added, as they are now.
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [[ -e $file ]] && printf '%s\0' "$file"; done |
    tar --null -T - -cf -) | tar -xf - -C "$src"
rm -f "$out"/quillmark*_"$version"_*.{deb,ddeb,changes,buildinfo}

# debhelper gives the build a HOME of its own; the cache stays the user's.
if command -v ccache >/dev/null; then
    CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
    export CCACHE_DIR
fi
(cd "$src" && dpkg-buildpackage -us -uc -b -j"${QM_JOBS:-2}")

changes=("$out"/quillmark_"$version"_*.changes)
lintian --fail-on error --info "${changes[0]}"
ls "$out"/*_"$version"_*.deb
