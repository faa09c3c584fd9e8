#!/usr/bin/env bash
# The desktop file and the AppStream metainfo pass their validators, and both
# name the same application id as their file names.
set -euo pipefail
data=$1
id=io.github.quillmark.Quillmark
status=0

desktop-file-validate "$data/$id.desktop" || status=1
appstreamcli validate --no-net "$data/$id.metainfo.xml" || status=1

grep -qx "<id>$id</id>" <(sed 's/^ *//' "$data/$id.metainfo.xml") ||
    { echo "metainfo: <id> is not $id"; status=1; }
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$data/$id.metainfo.xml" ||
    { echo "metainfo: the launchable is not $id.desktop"; status=1; }
grep -qx "Icon=$id" "$data/$id.desktop" || { echo "desktop file: Icon is not $id"; status=1; }
exit $status
