#!/bin/sh
# Runs a window test on the X server that xvfb-run started, under a window
# manager (windows only become active with one), with Qt's X11 key bindings:
# the offscreen platform binds keys as Windows does, so a line edit's
# Ctrl+U or Ctrl+K never shows there.
openbox >/dev/null 2>&1 &
wm=$!
tries=0
while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do
  tries=$((tries + 1))
  [ "$tries" -gt 50 ] && break
  sleep 0.1
done
QT_QPA_PLATFORM=xcb "$@"
rc=$?
kill "$wm" 2>/dev/null
exit "$rc"
