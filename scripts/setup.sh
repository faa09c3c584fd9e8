#!/usr/bin/env bash
# Installs what the build and the tests need (only what is missing),
# then configures and builds Quillmark into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ ccache pkg-config clang-format clang-tidy git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # the SVG icon engine that draws the bundled command icons
  libqt6svg6
  libgtest-dev libgmock-dev libbenchmark-dev
  # test oracles and sample makers
  python3 python3-mutagen lame ffmpeg id3v2 eyed3 libtag1-dev flac vorbis-tools opus-tools
  # fuzzing
  clang libclang-rt-14-dev
  # Qt's own dialogs and buttons in Russian; Qt Linguist for the English translation
  qt6-translations-l10n qt6-tools-dev qt6-l10n-tools
  # the application icon's PNG sizes, and the validators of the desktop files
  librsvg2-bin desktop-file-utils appstream
  # the acceptance suite: the real window under an X server, real X input
  xvfb xauth xdotool openbox dbus dbus-x11 at-spi2-core python3-pyatspi x11-utils x11-xserver-utils
  # the music player driven over D-Bus (its tests run it headless)
  audacious
  # the Debian packages (scripts/build-deb.sh) and the README's screenshot
  debhelper devscripts lintian fakeroot dpkg-dev optipng
  # scripts/check-fresh-install.sh: a fresh Debian 12 root to install the packages on
  debootstrap
  # Qt Linguist tools (debian/control lists them for the translations)
  qt6-tools-dev qt6-l10n-tools
)

missing=()
for p in "${packages[@]}"; do
  [[ "$p" == \#* ]] && continue
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

build=${QM_BUILD_DIR:-build}
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build"
