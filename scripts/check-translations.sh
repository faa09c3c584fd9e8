#!/bin/sh
# Fails when a text the user reads has no English translation: the
# translation sources are brought up to date in a temporary copy of the tree
# and any unfinished entry is listed.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
# Without lupdate the check skips (exit 77), except where every tool must be
# there (QUILLMARK_REQUIRE_TOOLS=1, as CI sets).
if [ ! -x "$lupdate" ]; then
    echo "lupdate not found: skipped"
    [ "${QUILLMARK_REQUIRE_TOOLS:-}" = 1 ] && exit 1
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts"
cp -r "$top/src" "$top/translations" "$work/"
cp "$top/scripts/update-translations.sh" "$work/scripts/"
LUPDATE=$lupdate sh "$work/scripts/update-translations.sh"
status=0
for ts in "$work"/translations/*.ts; do
    missing=$(/usr/bin/python3 - "$ts" <<'PY'
import sys, xml.etree.ElementTree as ET
for context in ET.parse(sys.argv[1]).getroot().iter("context"):
    name = context.findtext("name")
    for message in context.iter("message"):
        translation = message.find("translation")
        if translation is None or translation.get("type") == "unfinished" or not (translation.text or "").strip() and not list(translation):
            print(f"  {name}: {message.findtext('source')!r}")
PY
)
    if [ -n "$missing" ]; then
        echo "$(basename "$ts"): texts without an English translation:"
        echo "$missing"
        status=1
    fi
done
exit $status
