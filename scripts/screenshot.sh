#!/usr/bin/env bash
# Makes doc/screenshot.png, the picture at the top of the README: the real
# window on a private X server (Xvfb and openbox, as in the acceptance suite)
# with a generated album opened from the command line, the way the launcher
# opens a folder. Needs the built program (build/src/app/quillmark, or the
# one named by QM_APP), the acceptance suite's tools, and optipng.
#   scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/doc/screenshot.png}")
# The README is in English, so is the window in its picture.
export QUILLMARK_LANG=en
cd "$root/tests/acceptance"
/usr/bin/python3 - "$out" <<'PYTHON'
import os
import shutil
import subprocess
import sys
import tempfile
import time

from desktop import App, Desktop, why_not_runnable

ARTIST, ALBUM, YEAR, GENRE = "Marta Lind", "Harbour Lights", "2024", "Folk"
# title, length in seconds
TRACKS = [("Low Tide", 214), ("Paper Boats", 187), ("The Lighthouse Keeper", 262),
          ("Salt and Rain", 198), ("North Pier", 231), ("Gulls at Dawn", 175),
          ("Fog Signal", 246), ("Night Ferry", 303), ("Anchors", 209), ("Home Port", 268)]
WINDOW = (1000, 560)


def run(*args):
    subprocess.run(args, check=True, capture_output=True, timeout=120)


def make_album(folder):
    """Silent tracks of real lengths, encoded by lame and tagged by mid3v2."""
    os.makedirs(folder)
    for number, (title, seconds) in enumerate(TRACKS, 1):
        wav = os.path.join(folder, "track.wav")
        path = os.path.join(folder, "%02d - %s.mp3" % (number, title.lower()))
        run("ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
            "anullsrc=r=44100:cl=stereo", "-t", str(seconds), wav)
        run("lame", "--quiet", "-b", "192", wav, path)
        os.remove(wav)
        run("mid3v2", "-a", ARTIST, "-A", ALBUM, "-t", title, "-T", "%d/%d" % (number, len(TRACKS)),
            "-y", YEAR, "-g", GENRE, path)


def grab(desktop, window, path):
    # xwininfo, not xdotool: under a window manager's frame only it gives
    # the window's place on the screen.
    info = dict(line.strip().split(": ", 1) for line in
                desktop.run(["xwininfo", "-id", window]).split("\n") if ": " in line)
    desktop.run(["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-draw_mouse", "0",
                 "-video_size", "%sx%s" % (info["Width"], info["Height"]),
                 "-i", "%s+%s,%s" % (desktop.env["DISPLAY"], info["Absolute upper-left X"],
                                     info["Absolute upper-left Y"]),
                 "-frames:v", "1", path])
    with open(path, "rb") as f:
        return f.read()


def main(out):
    reason = why_not_runnable()
    if reason:
        sys.exit("cannot make the screenshot: " + reason)
    # The path column shows the folder's beginning.
    work = tempfile.mkdtemp(prefix="Music.")
    desktop = Desktop(size=(WINDOW[0] + 200, WINDOW[1] + 200))
    app = None
    try:
        album = os.path.join(work, ARTIST, "%s (%s)" % (ALBUM, YEAR))
        make_album(album)
        desktop.start()
        app = App(desktop, os.path.join(work, "app"),
                  {"Main": {"Left": 0, "Top": 0, "Width": WINDOW[0], "Height": WINDOW[1]}})
        app.start(album)
        # One current cell rather than every row selected; the pointer and
        # its hints off the window.
        app.click_on(app.grid().get_accessible_at(0, 3))  # the first new name
        desktop.xdotool("mousemove", WINDOW[0] + 150, WINDOW[1] + 150)
        # Reading ends when the picture stops changing.
        picture, deadline = b"", time.monotonic() + 60
        while time.monotonic() < deadline:
            time.sleep(1.0)
            latest = grab(desktop, app.window, out)
            if latest == picture:
                return
            picture = latest
        sys.exit("the window did not settle within a minute")
    finally:
        if app:
            app.stop()
        desktop.stop()
        shutil.rmtree(work, ignore_errors=True)


main(sys.argv[1])
PYTHON
optipng -quiet -o5 -strip all "$out"
echo "$out: $(stat -c %s "$out") bytes"
