#!/bin/sh
# Whole-process timing of the writes of `quillmark-cli` over 10,000
# separate MP3 files with typical tags (18.5 KB: a 7-frame ID3v2.3 tag and an
# ID3v1 tag), beside C floors with the same durability as the journal gives
# (bench_write floor-write and floor-rename: a record file synced once for
# every 256 files, syncfs at the end), run in the same session:
#   - `apply --write-tag 2` alone (each file's title changed) against the
#     write loop (open, pwrite the tag, close);
#   - `apply --rename` alone against the rename loop;
#   - the pipeline `read | edit --set Tit=... | apply --write-tag 2` against
#     the write loop.
# Rounds interleave the programs; the rows each apply takes are made before
# its round, untimed. Each figure is the median of the per-round ratios,
# with their range, as wall time and as processor time (user + system).
#
#   bench/cli_write.sh [BUILD_DIR (default build)] [FILE COUNT (default 10000)]
#                      [ROUNDS (default 7)] [FOLDER (default a new one in /var/tmp)]
set -eu
build=${1:-build}
count=${2:-10000}
rounds=${3:-7}
cli=$build/src/cli/quillmark-cli
floor=$build/bench/bench_write
for program in "$cli" "$floor"; do
    [ -x "$program" ] || { echo "missing $program: build with QM_BUILD_BENCH=ON" >&2; exit 1; }
done

# On a disk, not tmpfs: the syncs are part of what is measured.
work=$(mktemp -d "${4:-/var/tmp}/cli_write.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QUILLMARK_CONFIG_DIR="$work/config" QUILLMARK_DATA_DIR="$work/data"
mkdir -p "$work/config" "$work/data"

ffmpeg -nostdin -v error -f lavfi -i sine=frequency=440:duration=2.2 "$work/tone.wav"
lame --quiet "$work/tone.wav" "$work/tone.mp3"
/usr/bin/python3 - "$work" "$count" <<'PY'
import os, shutil, sys
from mutagen.id3 import ID3, COMM, TALB, TCON, TIT2, TPE1, TRCK, TYER
work, count = sys.argv[1], int(sys.argv[2])
tag = ID3()
for frame in (TIT2(encoding=1, text="Title"), TPE1(encoding=1, text="Artist"),
              TALB(encoding=1, text="Album"), TRCK(encoding=1, text="3/12"),
              TYER(encoding=1, text="1999"), TCON(encoding=1, text="Rock"),
              COMM(encoding=1, lang="eng", desc="", text="Comment")):
    tag.add(frame)
tag.save(work + "/tone.mp3", v2_version=3, v1=2)
for corpus in ("ours", "floor"):
    os.mkdir("%s/%s" % (work, corpus))
    for i in range(count):
        shutil.copyfile(work + "/tone.mp3", "%s/%s/%05d.mp3" % (work, corpus, i))
PY

/usr/bin/python3 - "$cli" "$floor" "$work" "$count" "$rounds" <<'PY'
import json, os, resource, subprocess, sys, time
cli, floor, work, count, rounds = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
ours, floors = work + "/ours", work + "/floor"

def run(command, stdin=None, shell=False):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(os.devnull, "wb") as null:
        start = time.perf_counter()
        status = subprocess.run(command, stdin=stdin, stdout=null, shell=shell).returncode
        wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if status != 0:
        sys.exit("%s failed (%d)" % (command, status))
    return wall, (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)

def rows(edit):
    # The folder's rows as read now, each changed by `edit`.
    read = subprocess.run([cli, "read", "--no-info", ours], capture_output=True, check=True).stdout
    lines = []
    for line in read.splitlines():
        row = json.loads(line)
        edit(row)
        lines.append(json.dumps(row, ensure_ascii=False))
    with open(work + "/rows", "w") as out:
        out.write("\n".join(lines) + "\n")
    return work + "/rows"

def toggled(name):
    return name[2:] if name.startswith("r-") else "r-" + name

def retitle(n):
    def edit(row):
        row["Tit"] = "Round %d" % n
    return edit

def rename(row):
    row["New"] = toggled(row["Old"])

def with_input(path, command):
    with open(path, "rb") as stdin:
        return run(command, stdin=stdin)

pipeline = ("'%s' read --no-info '%s' | '%s' edit --set 'Tit=Piped %%d' | '%s' apply --write-tag 2"
            % (cli, ours, cli, cli))
ratios = {}
def note(name, ours_time, floor_time):
    for kind, index in (("wall", 0), ("cpu", 1)):
        ratios.setdefault((name, kind), []).append(ours_time[index] / floor_time[index])

run([floor, "floor-write", floors])  # warm
for n in range(rounds):
    write_floor = run([floor, "floor-write", floors])
    note("apply --write-tag 2", with_input(rows(retitle(n)), [cli, "apply", "--write-tag", "2"]),
         write_floor)
    rename_floor = run([floor, "floor-rename", floors])
    note("apply --rename", with_input(rows(rename), [cli, "apply", "--rename"]), rename_floor)
    write_floor = run([floor, "floor-write", floors])
    note("read | edit | apply --write-tag 2", run(pipeline % n, shell=True), write_floor)

print("files: %s, rounds: %d; ratio to the C floor of the same round (median, range)" % (count, rounds))
for name in ("apply --write-tag 2", "apply --rename", "read | edit | apply --write-tag 2"):
    cells = []
    for kind in ("wall", "cpu"):
        values = sorted(ratios[(name, kind)])
        cells.append("%s %.2f (%.2f-%.2f)" % (kind, values[len(values) // 2], values[0], values[-1]))
    print("%-36s %s" % (name, "   ".join(cells)))
PY
