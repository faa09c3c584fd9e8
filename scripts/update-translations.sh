#!/bin/sh
# Brings the translation sources up to date with the code: new texts appear
# as unfinished entries to translate, texts gone from the code are dropped.
#   scripts/update-translations.sh [window|core]   (both when not given)
set -eu
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
options="-I src -locations none -no-obsolete -source-language ru -target-language en -silent"
which=${1:-all}
if [ "$which" != core ]; then
    # shellcheck disable=SC2086
    "$lupdate" $options src/app -ts translations/quillmark_window_en.ts
fi
if [ "$which" != window ]; then
    # shellcheck disable=SC2086
    "$lupdate" $options src/formats src/settings src/journal src/table src/text src/options \
        src/lists src/pictures src/jobs src/session src/player src/cli -ts translations/quillmark_core_en.ts
fi
