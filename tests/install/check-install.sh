#!/usr/bin/env bash
# `cmake --install` into a scratch prefix puts the programs, the launcher, the
# icons, the metainfo, the man pages and the completion where the desktop and
# the shell look for them, and the installed command line program runs.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
id=io.github.quillmark.Quillmark

cmake --install "$build" --prefix "$prefix" >/dev/null
# GNUInstallDirs may pick lib64 or a multiarch folder, but never moves these.
expected=(
    bin/quillmark
    bin/quillmark-cli
    share/applications/$id.desktop
    share/metainfo/$id.metainfo.xml
    share/icons/hicolor/scalable/apps/$id.svg
    share/man/man1/quillmark.1
    share/man/man1/quillmark-cli.1
    share/bash-completion/completions/quillmark-cli
)
status=0
if grep -q '^QM_RSVG_CONVERT:FILEPATH=/' "$build/CMakeCache.txt"; then
    expected+=(share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/256x256/apps/$id.png)
elif [[ ${QUILLMARK_REQUIRE_TOOLS:-} == 1 ]]; then
    echo "rsvg-convert was not found when the build was configured: no PNG icons"
    status=1
fi
for file in "${expected[@]}"; do
    [[ -s "$prefix/$file" ]] || { echo "missing after install: $file"; status=1; }
done
for size in 48 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    [[ -f $png ]] || continue
    # PNG width and height are the big-endian words at bytes 16 and 20.
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
    [[ "$width $height" == "$size $size" ]] || { echo "$png is ${width}x$height"; status=1; }
done
[[ -x "$prefix/bin/quillmark-cli" ]] && "$prefix/bin/quillmark-cli" --version >/dev/null ||
    { echo "the installed quillmark-cli does not run"; status=1; }
bash -n "$prefix/share/bash-completion/completions/quillmark-cli" || status=1
exit $status
