#!/usr/bin/env bash
# Builds the Debian packages on a fresh, minimal Debian 12 (debootstrap)
# with only the build dependencies debian/control names, installs them there
# the way a user would, and checks what the user meets: both programs start,
# the command line reads an MP3 and speaks English or Russian, the manual
# pages answer, the launcher file is valid, and the window opens a folder
# given on its command line and draws its icons under a real X server, with
# no icon theme and with one. Twice: with the recommended packages and
# without them, each time on a new copy of the fresh root.
#   scripts/check-fresh-install.sh [DEB_FOLDER]    (build/deb by default)
# DEB_FOLDER is filled by scripts/build-deb.sh first when it holds no package;
# its copy of the tree is what the fresh root builds, and the packages built
# there must hold the same files and dependencies as those in DEB_FOLDER.
# Needs root (debootstrap, chroot, mounts) and the network (the Debian
# mirror). Too heavy for the test suite: run it by hand before a release.
# QM_DEB12_ROOT (default /var/tmp/deb12root) is the fresh root, made once and
# kept untouched; the trials run in copies beside it. QM_DEBIAN_MIRROR names
# the mirror. The window pictures land in DEB_FOLDER/fresh-*.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
debs=$(realpath -m "${1:-$root/build/deb}")
base=${QM_DEB12_ROOT:-/var/tmp/deb12root}
mirror=${QM_DEBIAN_MIRROR:-http://deb.debian.org/debian}

[[ $(id -u) -eq 0 ]] || { echo "run as root: debootstrap and chroot need it"; exit 2; }
for tool in debootstrap lame ffmpeg; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/setup.sh installs it)"; exit 2; }
done
if ! compgen -G "$debs/quillmark_*.deb" >/dev/null; then
    "$root/scripts/build-deb.sh" "$debs"
fi
tree=$(compgen -G "$debs/quillmark-[0-9]*" | head -1) ||
    { echo "no copy of the tree in $debs: run scripts/build-deb.sh $debs"; exit 2; }

if [[ ! -x $base/usr/bin/apt-get ]]; then
    rm -rf --one-file-system "$base"
    debootstrap --variant=minbase bookworm "$base" "$mirror"
fi
# The downloaded packages serve every copy.
archives=$base-archives
mkdir -p "$archives/partial"

workdir=$(mktemp -d)
trial=""
# A new copy of the fresh root, ready for apt-get inside. A copy left
# mounted by a killed run is unmounted first: rm stays on this file system.
enter_root() {
    trial=$1
    leave_root
    trial=$1
    rm -rf --one-file-system "$trial"
    cp -a "$base" "$trial"
    mount -t proc proc "$trial/proc"
    mount --bind /dev "$trial/dev"
    mount --bind "$archives" "$trial/var/cache/apt/archives"
    cp /etc/resolv.conf "$trial/etc/resolv.conf"
}
leave_root() {
    if [[ -n $trial ]]; then
        findmnt -rn -o TARGET | { grep "^$trial/" || true; } | sort -r | xargs -r umount
    fi
    trial=""
}
cleanup() {
    leave_root
    rm -rf "$workdir"
}
trap cleanup EXIT

# A second of silence as an MP3 with a title and an artist.
/usr/bin/python3 - "$workdir/silence.wav" <<'PYTHON'
import sys, wave
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(2)
    out.setsampwidth(2)
    out.setframerate(44100)
    out.writeframes(b"\0" * 44100 * 4)
PYTHON
lame --quiet --tt Song --ta Artist "$workdir/silence.wav" "$workdir/one.mp3"

# Runs inside the root; prints one line per check, exits with the failures.
cat >"$workdir/inside.sh" <<'INSIDE'
#!/bin/sh
export DEBIAN_FRONTEND=noninteractive
# As in a desktop session; Qt only warns without it.
export XDG_RUNTIME_DIR=/tmp/runtime-qm
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
cd /tmp/qm
failures=0
pass() { echo "ok   $1"; }
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
expect() { # NAME EXPECTED ACTUAL
    case $3 in *"$2"*) pass "$1" ;; *) fail "$1: wanted \"$2\", got \"$3\"" ;; esac
}

expect "quillmark-cli --version" "quillmark-cli " "$(quillmark-cli --version 2>&1)"
expect "quillmark --version" "2." "$(QT_QPA_PLATFORM=offscreen quillmark --version 2>&1)"
row=$(quillmark-cli read album 2>&1)
expect "quillmark-cli read: tag" '"Tit":"Song","Trc":"","Art":"Artist"' "$row"
expect "quillmark-cli read: file information" '"Inf":"MPEG 1 Layer III' "$row"
# A row asking for a folder that is not there: an error row, in the user's language.
bad=$(printf '%s\n' "$row" | sed 's/"New":"[^"]*"/"New":"missing\/one"/')
for case in "C||The new folder does not exist" "C|ru|Не существует новая папка" \
    "ru_RU.UTF-8||Не существует новая папка" "en_GB.UTF-8||The new folder does not exist"; do
    lang=${case%%|*} rest=${case#*|}
    said=$(printf '%s\n' "$bad" | LANG=$lang QUILLMARK_LANG=${rest%%|*} quillmark-cli apply --rename 2>&1 >/dev/null)
    expect "apply error row, LANG=$lang QUILLMARK_LANG=${rest%%|*}" "${rest#*|}" "$said"
done
# The window without a display: starts, stays up and loads its plugins quietly.
QT_QPA_PLATFORM=offscreen timeout 5 quillmark album >offscreen.log 2>&1
status=$?
[ $status -eq 124 ] && pass "quillmark offscreen stays up" || fail "quillmark offscreen ended with $status: $(cat offscreen.log)"
grep -qiE "could not|cannot|failed|not found|svg" offscreen.log &&
    fail "quillmark offscreen warns: $(cat offscreen.log)" || pass "quillmark offscreen starts quietly"

desktop=/usr/share/applications/io.github.quillmark.Quillmark.desktop
for file in "$desktop" /usr/share/icons/hicolor/scalable/apps/io.github.quillmark.Quillmark.svg \
    /usr/share/icons/hicolor/48x48/apps/io.github.quillmark.Quillmark.png \
    /usr/share/icons/hicolor/256x256/apps/io.github.quillmark.Quillmark.png \
    /usr/share/icons/hicolor/index.theme /usr/share/metainfo/io.github.quillmark.Quillmark.metainfo.xml; do
    [ -s "$file" ] && pass "installed $file" || fail "missing $file"
done

# What a standard system has, and the test's own tools, only now: they must
# not hide a dependency the packages forgot.
{ apt-get install -y -qq --no-install-recommends man-db desktop-file-utils xvfb xauth x11-apps locales &&
    echo "ru_RU.UTF-8 UTF-8" >/etc/locale.gen && locale-gen; } >tools.log 2>&1 ||
    { fail "installing the test tools: $(tail -5 tools.log)"; exit $failures; }
expect "man quillmark-cli" "quillmark-cli" "$(MANPAGER=cat man quillmark-cli 2>&1 | head -5)"
expect "man quillmark" "quillmark" "$(MANPAGER=cat man quillmark 2>&1 | head -5)"
said=$(desktop-file-validate "$desktop" 2>&1) && pass "desktop-file-validate" || fail "desktop-file-validate: $said"

# The window on an X server, given the folder as the launcher gives it (%F):
# without a desktop (no icon theme), under GNOME (its icon theme when
# installed), and in Russian.
for case in "none|C.UTF-8" "GNOME|C.UTF-8" "none|ru_RU.UTF-8"; do
    desktopname=${case%|*} lang=${case#*|}
    shot=window-$desktopname-${lang%%.*}
    rm -f "$shot.xwd"
    env LANG="$lang" XDG_CURRENT_DESKTOP="${desktopname#none}" \
        xvfb-run -a -s "-screen 0 1000x700x24" sh -c \
        "quillmark /tmp/qm/album >$shot.log 2>&1 & sleep 5; xwd -root -silent >$shot.xwd; kill \$!"
    [ -s "$shot.xwd" ] && pass "window picture $shot" || fail "window picture $shot: $(cat "$shot.log")"
done
exit $failures
INSIDE
chmod +x "$workdir/inside.sh"

# Counts the strongly coloured pixels of a picture: the command icons are
# green, red and orange, the rest of the window grey, white and blue.
coloured() {
    ffmpeg -loglevel error -i "$1" -f image2pipe -vcodec ppm - | /usr/bin/python3 -c '
import sys
data = sys.stdin.buffer.read()
header, rest = data.split(b"\n", 1)
size, rest = rest.split(b"\n", 1)
_, pixels = rest.split(b"\n", 1)
count = 0
for i in range(0, len(pixels), 3):
    r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
    if (g > r + 40 and g > b + 40) or (r > g + 60 and r > b + 60):
        count += 1
print(count)'
}

contents() { # the file list and the dependencies of a package
    dpkg-deb -c "$1" | awk '{print $1, $3, $6}'
    dpkg-deb -f "$1" Depends Recommends Suggests
}

failed=0
echo "== fresh Debian 12, dpkg-buildpackage"
enter_root "$base-build"
# The same path as on this machine, so that ccache, when both have it, finds
# the objects of the last build; ccache changes the build time only.
mkdir -p "$trial$tree"
tar -C "$tree" --exclude='./obj-*' -cf - . | tar -C "$trial$tree" -xf -
cache=""
if command -v ccache >/dev/null; then
    mkdir -p "$trial/ccache"
    mount --bind "$(ccache -k cache_dir)" "$trial/ccache"
    cache="ccache"
fi
built=0
chroot "$trial" sh -c "export DEBIAN_FRONTEND=noninteractive CCACHE_DIR=/ccache && apt-get update -qq &&
    apt-get install -y -q --no-install-recommends build-essential dpkg-dev $cache && cd $tree &&
    apt-get build-dep -y -q --no-install-recommends ./ && dpkg-buildpackage -us -uc -b -j${QM_JOBS:-2}" \
    >"$debs/fresh-build.log" 2>&1 || built=$?
packages=()
if ((built)); then
    echo "FAIL dpkg-buildpackage (see $debs/fresh-build.log)"
    failed=$((failed + 1))
else
    echo "ok   dpkg-buildpackage"
    for name in quillmark quillmark-cli; do
        package=$(compgen -G "$trial$(dirname "$tree")/${name}_*.deb")
        cp "$package" "$workdir/"
        packages+=("$workdir/$(basename "$package")")
        if diff <(contents "$package") <(contents "$debs/$(basename "$package")"); then
            echo "ok   $name as built here"
        else
            echo "FAIL $name differs from $debs/$(basename "$package")"
            failed=$((failed + 1))
        fi
    done
fi
leave_root

for mode in install-recommends no-install-recommends; do
    ((${#packages[@]})) || break
    echo "== fresh Debian 12, apt install --$mode"
    enter_root "$base-$mode"
    mkdir -p "$trial/tmp/qm/album"
    cp "${packages[@]}" "$workdir/inside.sh" "$trial/tmp/qm/"
    cp "$workdir/one.mp3" "$trial/tmp/qm/album/"
    installed=0
    chroot "$trial" sh -c "apt-get update -qq && cd /tmp/qm &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --$mode ./quillmark_*.deb ./quillmark-cli_*.deb" \
        >"$debs/fresh-$mode-apt.log" 2>&1 || installed=$?
    if ((installed)); then
        echo "FAIL apt install --$mode (see $debs/fresh-$mode-apt.log)"
        failed=$((failed + 1))
    else
        echo "ok   apt install --$mode: $(grep -c '^Setting up' "$debs/fresh-$mode-apt.log") packages set up"
        chroot "$trial" /tmp/qm/inside.sh || failed=$((failed + $?))
        for shot in "$trial"/tmp/qm/window-*.xwd; do
            [[ -s $shot ]] || continue
            png=$debs/fresh-$mode-$(basename "$shot" .xwd).png
            ffmpeg -loglevel error -y -i "$shot" "$png"
            count=$(coloured "$png")
            if ((count > 200)); then
                echo "ok   icons drawn in $png ($count coloured pixels)"
            else
                echo "FAIL no icons in $png ($count coloured pixels)"
                failed=$((failed + 1))
            fi
        done
    fi
    leave_root
done
echo "$failed failed"
((failed == 0))
