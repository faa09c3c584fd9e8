"""A small, realistic album folder made by the tools people use: lame encodes,
mid3v2, id3v2 and eyeD3 tag; a cover picture, a cue sheet and notes lie beside."""

import os
import shutil
import subprocess

TOOLS = ("ffmpeg", "lame", "mid3v2", "id3v2", "eyeD3")

# name, how it is tagged, title, track
ALBUM = [
    ("01 intro.mp3", "v2.4", "Intro", "1/12"),
    ("02 morning.mp3", "v2.3", "Morning", "2/12"),
    ("03 rain.mp3", "v2.3+cover", "Rain", "3"),
    ("04 old tape.mp3", "v1", "Old Tape", "4"),
]
SIDE_FILES = {
    "album.cue": b'PERFORMER "The Testers"\r\nTITLE "Fixtures"\r\nFILE "01 intro.mp3" MP3\r\n'
                 b'  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n',
    "notes.txt": "Recorded at home.\nЗаписано дома.\n".encode("utf-8"),
}
ARTIST, ALBUM_TITLE = "The Testers", "Fixtures"
LYRICS = "la la la"


def missing_tools():
    return [tool for tool in TOOLS if not shutil.which(tool)]


def _run(*args):
    subprocess.run(args, check=True, capture_output=True, timeout=60)


def make_album(folder, with_side_files=True, only=None):
    """Writes the album into folder; returns {file name: (kind, title, track)}.
    only: the names to make (all by default)."""
    os.makedirs(folder, exist_ok=True)
    cover = os.path.join(folder, "cover.jpg")
    _run("ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", "color=c=teal:s=32x32",
         "-frames:v", "1", cover)
    wav = os.path.join(folder, "tone.wav")
    _run("ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
         "sine=frequency=440:sample_rate=44100:duration=0.5", "-ac", "1", wav)
    master = os.path.join(folder, "tone.mp3")
    _run("lame", "--quiet", "-b", "64", wav, master)
    os.remove(wav)
    made = {}
    for name, kind, title, track in ALBUM:
        if only is not None and name not in only:
            continue
        path = os.path.join(folder, name)
        shutil.copyfile(master, path)
        if kind == "v2.4":
            _run("mid3v2", "-a", ARTIST, "-A", ALBUM_TITLE, "-t", title, "-T", track, path)
        elif kind == "v2.3":
            _run("id3v2", "--id3v2-only", "-a", ARTIST, "-A", ALBUM_TITLE, "-t", title, "-T", track, path)
        elif kind == "v2.3+cover":
            lyrics = os.path.join(folder, "lyrics.tmp")
            with open(lyrics, "w") as f:
                f.write(LYRICS)
            _run("eyeD3", "--quiet", "--to-v2.3", "-a", ARTIST, "-A", ALBUM_TITLE, "-t", title, "-n", track,
                 "--add-image", cover + ":FRONT_COVER", "--add-lyrics", lyrics, path)
            os.remove(lyrics)
        elif kind == "v1":
            _run("id3v2", "--id3v1-only", "-a", ARTIST, "-A", ALBUM_TITLE, "-t", title, "-T", track, path)
        made[name] = (kind, title, track)
    os.remove(master)
    if with_side_files:
        for name, data in SIDE_FILES.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    else:
        os.remove(cover)
    return made


def snapshot(folder):
    """{relative path: bytes} of every file under folder."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


def tags(path):
    """The ID3v2 frames and the ID3v1 record of a file as mutagen reads them:
    {"v2": {frame id: text}, "v2version": (2, 3, 0), "v1": {...} or None}."""
    import mutagen.id3
    result = {"v2": {}, "v2version": None, "v1": None}
    with open(path, "rb") as f:
        head = f.read(3)
        f.seek(-128, os.SEEK_END)
        record = f.read(128)
    if record[:3] == b"TAG":
        result["v1"] = {k: str(v) for k, v in mutagen.id3.ParseID3v1(record).items()}
    if head == b"ID3":
        tag = mutagen.id3.ID3(path)
        result["v2version"] = tag.version
        for frame in tag.values():
            key = frame.FrameID
            if key == "APIC":
                result["v2"][key] = frame.data
            elif key == "USLT":
                result["v2"][key] = frame.text
            elif hasattr(frame, "text"):
                result["v2"][key] = "/".join(str(t) for t in frame.text)
    return result
