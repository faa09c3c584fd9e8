#!/bin/sh
# Whole-process timing of `quillmark-cli read` over a generated folder of
# tagged MP3 files, beside two baselines run in the same session on the same
# warm folder: a small TagLib program reading the same fields and audio
# properties, and a plain C loop that only opens each file and reads its head
# and tail. Each figure is the best of five rounds; the results are ratios.
#
#   bench/cli_read.sh [BUILD_DIR (default build)] [FILE COUNT (default 10000)]
set -eu
build=${1:-build}
count=${2:-10000}
cli=$build/src/cli/quillmark-cli
baselines=$build/bench/bench_cli_baselines
for program in "$cli" "$baselines"; do
    [ -x "$program" ] || { echo "missing $program: build with QM_BUILD_BENCH=ON" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Empty settings folder: the defaults, whatever the user has configured.
export QUILLMARK_CONFIG_DIR="$work/config"
mkdir -p "$work/config" "$work/files"

ffmpeg -nostdin -v error -f lavfi -i sine=frequency=440:duration=0.5 "$work/tone.wav"
lame --quiet "$work/tone.wav" "$work/tone.mp3"
/usr/bin/python3 - "$work" "$count" <<'PY'
import shutil, sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TYER, TCON, COMM
work, count = sys.argv[1], int(sys.argv[2])
tag = ID3()
for frame in (TIT2(encoding=1, text="Title"), TPE1(encoding=1, text="Artist"),
              TALB(encoding=1, text="Album"), TRCK(encoding=1, text="3/12"),
              TYER(encoding=1, text="1999"), TCON(encoding=1, text="Rock"),
              COMM(encoding=1, lang="eng", desc="", text="Comment")):
    tag.add(frame)
tag.save(work + "/tone.mp3", v2_version=3)
for i in range(count):
    shutil.copyfile(work + "/tone.mp3", "%s/files/%05d.mp3" % (work, i))
PY

"$baselines" plain "$work/files" >/dev/null # warm the page cache
rows=$("$cli" read "$work/files" | wc -l)
taglib=taglib
"$baselines" taglib "$work/files" >/dev/null 2>&1 || taglib=

# 100,000 rows for the filter: the folder's rows ten times over.
"$cli" read "$work/files" >"$work/rows1"
for i in 1 2 3 4 5 6 7 8 9 10; do cat "$work/rows1"; done >"$work/rows"

# Rounds alternate between the programs; each figure is the least of five
# rounds, as wall time and as processor time (user + system, all threads),
# which other work on the machine disturbs far less.
/usr/bin/python3 - "$count" "$rows" "$cli" "$baselines" "$work/files" "$taglib" "$work/rows" <<'PY'
import os, subprocess, sys, time
count, rows, cli, baselines, files, taglib, rowfile = sys.argv[1:]
runs = [
    ("plain C loop process (head + tail)", [baselines, "plain", files]),
    ("quillmark-cli read (information + ID3v2)", [cli, "read", files]),
    ("quillmark-cli read --no-info (ID3v2 only)", [cli, "read", "--no-info", files]),
]
if taglib:
    runs.append(("TagLib process (tag + audio properties)", [baselines, "taglib", files]))
filters = [
    ("copy of 100,000 rows (stdin to stdout)", [baselines, "copy"]),
    ("quillmark-cli edit --set 'New=%TR. %TT'", [cli, "edit", "--set", "New=%TR. %TT"]),
]
best = {name: [float("inf"), float("inf")] for name, _ in runs + filters}
with open(os.devnull, "wb") as null:
    for _ in range(5):
        for name, command in runs + filters:
            stdin = open(rowfile, "rb") if (name, command) in filters else None
            start = time.perf_counter()
            process = subprocess.Popen(command, stdout=null, stdin=stdin)
            _, status, usage = os.wait4(process.pid, 0)
            wall = time.perf_counter() - start
            if status != 0:
                sys.exit("%s failed" % " ".join(command))
            if stdin:
                stdin.close()
            cpu = usage.ru_utime + usage.ru_stime
            best[name][0] = min(best[name][0], wall)
            best[name][1] = min(best[name][1], cpu)
floor = best[runs[0][0]]
print("files: %s (rows printed: %s)" % (count, rows))
print("%-44s %9s %8s %9s %8s" % ("", "wall", "x floor", "cpu", "x floor"))
for name, _ in runs:
    wall, cpu = best[name]
    print("%-44s %6.0f ms %8.2f %6.0f ms %8.2f" % (name, wall * 1e3, wall / floor[0], cpu * 1e3, cpu / floor[1]))
if taglib:
    ours = best[runs[1][0]]
    peer = best[runs[3][0]]
    print("TagLib / quillmark-cli read: %.2f x wall, %.2f x cpu" % (peer[0] / ours[0], peer[1] / ours[1]))
else:
    print("TagLib baseline not built (install libtag1-dev and reconfigure)")
floor = best[filters[0][0]]
for name, _ in filters:
    wall, cpu = best[name]
    print("%-44s %6.0f ms %8.2f %6.0f ms %8.2f" % (name, wall * 1e3, wall / floor[0], cpu * 1e3, cpu / floor[1]))
PY
