"""A folder of MP3, FLAC, Ogg Vorbis and Opus files added: the ID3v2 view
shows every file's fields, and a new title typed over the column is
written by "Обновить" into each file's own tag; the other comments and the
audio stay."""

import os
import shutil
import subprocess
import unittest

from desktop import DesktopTestCase
from musicfolder import make_album, snapshot

FORMATS = {"b.flac": "flac", "c.ogg": "libvorbis", "d.opus": "libopus"}


def make_vorbis(path, encoder, title):
    subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "sine=frequency=440:duration=0.5", "-c:a", encoder, path],
                   check=True, capture_output=True, timeout=60)
    import mutagen
    f = mutagen.File(path)
    f["TITLE"], f["ARTIST"], f["REPLAYGAIN_TRACK_GAIN"] = title, "The Testers", "-6.5 dB"
    f.save()


def decoded(path):
    return subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "md5", "-"],
                          check=True, capture_output=True, timeout=60).stdout


class MixedFormats(DesktopTestCase):
    def test_fields_shown_and_written_in_every_format(self):
        for tool in ("ffmpeg", "lame", "mid3v2"):
            if not shutil.which(tool):
                self.skipTest("needs " + tool)
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3",))
        for name, encoder in FORMATS.items():
            make_vorbis(os.path.join(album, name), encoder, "Title " + name[0])
        audio = {name: decoded(os.path.join(album, name)) for name in FORMATS}
        self.assertEqual(len(snapshot(album)), 4)
        with self.app_running(ScanDir={"Filter": "*.*"}) as app:
            self.add_folder(app, album, rows=4)
            titles = sorted(app.column("Заголовок"))
            self.assertEqual(titles, ["Intro", "Title b", "Title c", "Title d"])
            self.type_in_editor_box(app, "Заголовок", "New title")
            app.key("ctrl+u")
            self.wait_written(app, rows=4)
            self.assertEqual(app.quit(), 0)

        import mutagen
        for name in FORMATS:
            with self.subTest(file=name):
                path = os.path.join(album, name)
                tags = mutagen.File(path).tags
                self.assertEqual(tags["TITLE"], ["New title"])
                self.assertEqual(tags["ARTIST"], ["The Testers"])
                self.assertEqual(tags["REPLAYGAIN_TRACK_GAIN"], ["-6.5 dB"])
                self.assertEqual(decoded(path), audio[name])
        intro = mutagen.File(os.path.join(album, "01 intro.mp3"))
        self.assertEqual(str(intro.tags["TIT2"]), "New title")


if __name__ == "__main__":
    unittest.main()
