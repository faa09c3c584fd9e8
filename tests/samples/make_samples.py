#!/usr/bin/python3
"""Writes the regression samples of this folder: MP3 files with the kinds of
tags and headers other programs write, each named after the fault it once
showed. The bytes are built here, so the files can be made again anywhere:

    /usr/bin/python3 tests/samples/make_samples.py tests/samples
"""
import struct
import sys
from pathlib import Path


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame23(fid, data, flags=0):
    return fid + struct.pack(">IH", len(data), flags) + data


def frame22(fid, data):
    return fid + struct.pack(">I", len(data))[1:] + data


def text23(fid, encoding, raw):
    return frame23(fid, bytes([encoding]) + raw)


def utf16(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


def tag(major, frames, flags=0, padding=64):
    body = b"".join(frames) + b"\0" * padding
    return b"ID3" + bytes([major, 0, flags]) + syncsafe(len(body)) + body


def mpeg_frame(kbps, padding=0, body=b""):
    """An MPEG-1 layer III frame at 44100 Hz, joint stereo, no CRC, holding
    `body` after its 32 bytes of side information and zeros after that."""
    index = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320].index(kbps)
    size = 144 * kbps * 1000 // 44100 + padding
    header = bytes([0xFF, 0xFB, (index << 4) | (padding << 1), 0x64])
    data = header + b"\0" * 32 + body
    return data + b"\0" * (size - len(data))


def audio(frames=8):
    return b"".join(mpeg_frame(128) for _ in range(frames))


def info_header_cbr():
    # A LAME/Lavf CBR stream: the first frame (here at 64 kbps, the size the
    # header needs) holds an "Info" header with the stream's frame and byte
    # counts; the rest is 128 kbps. The file is cut after a few frames, as
    # sample files are: the counts still tell the whole stream's length.
    frames, size = 193, 193 * 418
    info = b"Info" + struct.pack(">III", 0x0F, frames, size) + bytes(range(100))
    info += struct.pack(">I", 57) + b"LAME3.100"
    return mpeg_frame(64, body=info) + audio(6)


def encoding0_frames():
    # Latin-1 and GBK bytes in encoding-0 frames, which a legacy code page
    # reads as something else: a title-only edit must keep their bytes.
    return tag(3, [
        text23(b"TIT2", 0, b"Old title"),
        text23(b"TPE1", 0, "Janelle Monáe".encode("latin-1")),
        text23(b"TCOM", 0, "Janelle Monáe".encode("latin-1")),
        text23(b"TYER", 0, "þÿ".encode("latin-1")),
        text23(b"TALB", 0, "电台情歌".encode("gbk")),
        text23(b"TCON", 0, b"(17)"),
    ]) + audio()


def repeated_text_frames():
    frames = [text23(b"TIT2", 0, b"Title")]
    frames += [text23(b"TPE1", 0, b"artist%d" % i) for i in range(1, 8)]
    frames += [text23(b"TALB", 0, b"album1"), text23(b"TALB", 0, b"album2")]
    frames += [text23(b"TRCK", 0, b"3"), text23(b"TRCK", 0, b"4")]
    return tag(3, frames) + audio()


def described_comment_only():
    norm = b" 00004A82 00004A82 00002D43 00002D43 00000000 00000000"
    return tag(3, [
        text23(b"TIT2", 0, b"Title"),
        frame23(b"COMM", b"\0eng" + b"iTunNORM\0" + norm),
    ]) + audio()


def v22_frames():
    # Every 2.2 frame kind a tagger writes, grouping (GP1) among them.
    frames = [frame22(b"TT2", b"\0Title"), frame22(b"TP1", b"\0Artist"),
              frame22(b"GP1", b"\0Grouping"), frame22(b"TCP", b"\x001"),
              frame22(b"TST", b"\0Sort title"), frame22(b"MVN", b"\0Movement"),
              frame22(b"MVI", b"\x002"), frame22(b"TDS", b"\0Description"),
              frame22(b"WFD", b"http://feed.example/"), frame22(b"PCS", b"\0\0\0\0")]
    return tag(2, frames) + audio()


def extended_flag_without_header():
    return tag(3, [text23(b"TIT2", 0, b"Title"), text23(b"TPE1", 0, b"Artist")],
               flags=0x40) + audio()


def v22_ids_under_v23_header():
    # 2.3 frames named by their 2.2 ids and a zero byte.
    return tag(3, [text23(b"TT2\0", 0, b"Title"), text23(b"TP1\0", 0, b"Artist")]) + audio()


def frame_size_past_end():
    broken = b"TALB" + struct.pack(">IH", 5000, 0) + b"\0Album"
    return tag(3, [text23(b"TIT2", 0, b"Title"), text23(b"TPE1", 0, b"Artist"), broken],
               padding=0) + audio()


def unknown_version():
    return tag(5, [text23(b"TIT2", 0, b"Title")]) + audio()


def lyrics3_long_title():
    long_title = b"A title longer than the thirty bytes of the record"
    fields = b"IND00002" + b"11" + b"ETT%05d" % len(long_title) + long_title
    fields += b"INF00013" + b"Recorded live"  # a text of its own, not the comment's long form
    fields += b"LYR00005" + b"words"
    lyrics = b"LYRICSBEGIN" + fields + b"%06d" % (11 + len(fields)) + b"LYRICS200"
    record = b"TAG" + long_title[:30] + b"Artist".ljust(30, b"\0") + b"".ljust(30, b"\0")
    record += b"2001" + b"Nice".ljust(28, b"\0") + b"\0\x01" + b"\x11"
    return audio() + lyrics + record


SAMPLES = {
    "info-header-cbr.mp3": info_header_cbr,
    "encoding0-latin1-gbk-frames.mp3": encoding0_frames,
    "repeated-text-frames.mp3": repeated_text_frames,
    "described-comment-only.mp3": described_comment_only,
    "v22-frames.mp3": v22_frames,
    "extended-flag-without-header.mp3": extended_flag_without_header,
    "v22-ids-under-v23-header.mp3": v22_ids_under_v23_header,
    "frame-size-past-end.mp3": frame_size_past_end,
    "unknown-version.mp3": unknown_version,
    "lyrics3-long-title.mp3": lyrics3_long_title,
}

if __name__ == "__main__":
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
    for name, make in SAMPLES.items():
        (folder / name).write_bytes(make())
