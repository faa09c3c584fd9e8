#!/bin/sh
# Whole-process timing of `quillmark-cli read` over generated folders of
# tagged MP3 files, beside two baselines run in the same session on the same
# folders: a small TagLib program reading the same fields and audio
# properties, and a plain C loop that only opens each file and reads what tags
# and stream information need: the first 4 KiB, 4 KiB at the first audio
# frame when the tag is longer, the last 143 bytes (the floor). Two corpora of
# separate files: ~18.5 KB files with a 7-frame ID3v2.3 tag and ID3v1, and
# files with all 17 fields filled and a 100 KB picture; then FLAC and Opus
# corpora with seven Vorbis comments, against TagLib's FileRef. Each warm
# figure is the median of the per-round ratios over interleaved rounds, with
# their range; the MP3 reads again with a CPU hog running beside them. Then
# the same reads on a cold cache (each file's pages dropped before every
# round), the peak memory of `read` over RSS_COUNT separate files, and `edit`
# over 100,000 rows.
#
#   bench/cli_read.sh [BUILD_DIR (default build)] [FILE COUNT (default 10000)]
#                     [RSS_COUNT (default 100000)]
set -eu
build=${1:-build}
count=${2:-10000}
rsscount=${3:-100000}
cli=$build/src/cli/quillmark-cli
baselines=$build/bench/bench_cli_baselines
for program in "$cli" "$baselines"; do
    [ -x "$program" ] || { echo "missing $program: build with QM_BUILD_BENCH=ON" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Empty settings folder: the defaults, whatever the user has configured.
export QUILLMARK_CONFIG_DIR="$work/config"
mkdir -p "$work/config"

ffmpeg -nostdin -v error -f lavfi -i sine=frequency=440:duration=2.2 "$work/tone.wav"
lame --quiet "$work/tone.wav" "$work/tone.mp3"
/usr/bin/python3 - "$work" "$count" "$rsscount" <<'PY'
import os, shutil, subprocess, sys
import mutagen
from mutagen.id3 import (ID3, APIC, COMM, TALB, TCOM, TCON, TCOP, TENC, TIT1, TIT2, TLAN, TOAL, TOPE,
                         TORY, TPE1, TRCK, TYER, USLT, WXXX)
work, count, rsscount = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
seven = [TIT2(encoding=1, text="Title"), TPE1(encoding=1, text="Artist"),
         TALB(encoding=1, text="Album"), TRCK(encoding=1, text="3/12"),
         TYER(encoding=1, text="1999"), TCON(encoding=1, text="Rock"),
         COMM(encoding=1, lang="eng", desc="", text="Comment")]
full = seven + [TOPE(encoding=1, text="Original Artist"), TIT1(encoding=1, text="Grouping"),
                TOAL(encoding=1, text="Original Album"), TORY(encoding=1, text="1970"),
                TCOP(encoding=1, text="(c) 1999 Someone"),
                USLT(encoding=1, lang="eng", desc="", text="First line\nSecond line"),
                TCOM(encoding=1, text="Composer"), TENC(encoding=1, text="Encoder"),
                TLAN(encoding=1, text="eng"), WXXX(encoding=0, desc="", url="http://example.com/"),
                APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=bytes(range(256)) * 400)]
for name, frames in (("seven", seven), ("full", full)):
    shutil.copyfile(work + "/tone.mp3", "%s/%s.mp3" % (work, name))
    tag = ID3()
    for frame in frames:
        tag.add(frame)
    tag.save("%s/%s.mp3" % (work, name), v2_version=3, v1=2)
    os.mkdir("%s/%s" % (work, name))
    for i in range(count):
        shutil.copyfile("%s/%s.mp3" % (work, name), "%s/%s/%05d.mp3" % (work, name, i))
# FLAC and Opus files with the same seven fields as Vorbis comments.
for codec, ext in (("flac", "flac"), ("libopus", "opus")):
    source = "%s/tone.%s" % (work, ext)
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=0.5", "-ac", "2", "-c:a", codec, source], check=True)
    f = mutagen.File(source)
    for key, value in (("TITLE", "Title"), ("ARTIST", "Artist"), ("ALBUM", "Album"),
                       ("TRACKNUMBER", "3"), ("TRACKTOTAL", "12"), ("DATE", "1999"),
                       ("GENRE", "Rock"), ("COMMENT", "Comment")):
        f[key] = value
    f.save()
    os.mkdir("%s/%s" % (work, ext))
    for i in range(count):
        shutil.copyfile(source, "%s/%s/%05d.%s" % (work, ext, i, ext))
# For the memory figure: separate copies of the first corpus's file.
os.mkdir(work + "/many")
for i in range(rsscount):
    shutil.copyfile("%s/seven.mp3" % work, "%s/many/%06d.mp3" % (work, i))
PY

"$baselines" plain "$work/seven" >/dev/null # warm the page cache
"$baselines" plain "$work/full" >/dev/null
"$baselines" plain "$work/flac" >/dev/null
"$baselines" plain "$work/opus" >/dev/null
taglib=taglib
"$baselines" taglib "$work/seven" >/dev/null 2>&1 || taglib=

# 100,000 rows for the filter: the folder's rows ten times over.
"$cli" read "$work/seven" >"$work/rows1"
for i in 1 2 3 4 5 6 7 8 9 10; do cat "$work/rows1"; done >"$work/rows"

# Rounds alternate between the programs; processor time (user + system, all
# threads) is what other work on the machine disturbs least.
/usr/bin/python3 - "$count" "$cli" "$baselines" "$work" "$taglib" "$rsscount" <<'PY'
import glob, os, subprocess, sys, time
count, cli, baselines, work, taglib, rsscount = sys.argv[1:]

def run(command, stdin=None, env=None):
    with open(os.devnull, "wb") as null:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=null, stdin=stdin, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
    if status != 0:
        sys.exit("%s failed" % " ".join(command))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss

def drop(folder):
    # The files' pages out of the page cache (no root needed); the folder's
    # entries stay cached, as the floor's and TagLib's do.
    for path in glob.glob(folder + "/*"):
        fd = os.open(path, os.O_RDONLY)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        os.close(fd)

def threads(n):
    return dict(os.environ, QUILLMARK_READ_THREADS=str(n))

def programs(files):
    runs = [
        ("plain C loop process (head + tail)", [baselines, "plain", files], None),
        ("quillmark-cli read (information + ID3v2)", [cli, "read", files], None),
        ("quillmark-cli read --no-info (ID3v2 only)", [cli, "read", "--no-info", files], None),
    ]
    if taglib:
        runs.append(("TagLib process (tag + audio properties)", [baselines, "taglib", files], None))
    return runs

def median(values):
    values = sorted(values)
    return values[len(values) // 2]

def table(title, runs, rounds, cold):
    # Rounds alternate between the programs; a figure is the median over
    # the rounds of each round's ratio to the floor of the same round, with
    # the range of those ratios, as wall time and as processor time.
    times = {name: ([], []) for name, _, _ in runs}
    for _ in range(rounds):
        for name, command, env in runs:
            if cold:
                drop(command[-1])
            wall, cpu, _ = run(command, env=env)
            times[name][0].append(wall)
            times[name][1].append(cpu)
    floor = times[runs[0][0]]

    def ratios(a, b, kind):
        return [x / y for x, y in zip(times[a][kind], times[b][kind])]

    def fmt(values):
        return "%5.2f (%4.2f-%4.2f)" % (median(values), min(values), max(values))

    print("== %s (%d rounds)" % (title, rounds))
    print("%-44s %9s %20s %9s %20s" % ("", "wall", "x floor", "cpu", "x floor"))
    for name, _, _ in runs:
        print("%-44s %6.0f ms %20s %6.0f ms %20s"
              % (name, median(times[name][0]) * 1e3, fmt(ratios(name, runs[0][0], 0)),
                 median(times[name][1]) * 1e3, fmt(ratios(name, runs[0][0], 1))))
    peer = [name for name, _, _ in runs if name.startswith("TagLib")]
    if peer:
        for name, _, _ in runs[1:]:
            if name.startswith("quillmark-cli read"):
                print("TagLib / %s: %s wall, %s cpu"
                      % (name.split(" (")[0], fmt(ratios(peer[0], name, 0)),
                         fmt(ratios(peer[0], name, 1))))
    else:
        print("TagLib baseline not built (install libtag1-dev and reconfigure)")
    print()

print("files: %s a corpus" % count)
rounds = int(os.environ.get("QM_BENCH_ROUNDS", "7"))
corpora = (("seven", "a 7-frame ID3v2.3 tag and ID3v1"),
           ("full", "all 17 fields, a 100 KB picture and ID3v1"))
for corpus, what in corpora:
    table("warm, every file with %s" % what, programs("%s/%s" % (work, corpus)), rounds, False)
# The same with the machine busy: a CPU hog on one of the cores.
hog = subprocess.Popen(["sh", "-c", "while :; do :; done"])
try:
    for corpus, what in corpora:
        table("warm, CPU hog beside, every file with %s" % what,
              programs("%s/%s" % (work, corpus)), rounds, False)
finally:
    hog.kill()
    hog.wait()
for corpus, what in (("flac", "FLAC"), ("opus", "Opus")):
    files = "%s/%s" % (work, corpus)
    runs = programs(files)[:2]
    if taglib:
        runs.append(("TagLib process (tag + audio properties)", [baselines, "fileref", files], None))
    table("warm, %s files with seven Vorbis comments (TagLib: FileRef)" % what, runs, rounds,
          False)
cold = programs(work + "/seven")
cold[1:2] = [("quillmark-cli read, one thread", [cli, "read", work + "/seven"], threads(1)),
             ("quillmark-cli read (up to 4 threads)", [cli, "read", work + "/seven"], None)]
table("cold (pages dropped before each run, median of three), 7-frame tags", cold, 3, True)

wall, cpu, rss = run([cli, "read", work + "/many"])
print("quillmark-cli read of %s files: %.2f s wall, %.2f s cpu, peak RSS %.1f MB"
      % (rsscount, wall, cpu, rss / 1024))
print()

filters = [
    ("copy of 100,000 rows (stdin to stdout)", [baselines, "copy"]),
    ("quillmark-cli edit --set 'New=%TR. %TT'", [cli, "edit", "--set", "New=%TR. %TT"]),
]
best = {}
for _ in range(5):
    for name, command in filters:
        with open(work + "/rows", "rb") as rows:
            wall, cpu, _ = run(command, stdin=rows)
        old = best.get(name, (float("inf"), float("inf")))
        best[name] = (min(old[0], wall), min(old[1], cpu))
floor = best[filters[0][0]]
print("== edit, 100,000 rows")
for name, _ in filters:
    wall, cpu = best[name]
    print("%-44s %6.0f ms %8.2f %6.0f ms %8.2f"
          % (name, wall * 1e3, wall / floor[0], cpu * 1e3, cpu / floor[1]))
PY
