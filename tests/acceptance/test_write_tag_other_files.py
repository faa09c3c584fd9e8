"""Ctrl+W ("Записать ID3v2 Tag") over a folder added with all its files: the
cover, the cue sheet and the notes stay byte for byte; the MP3s keep what
their tags held, the picture and the lyrics included."""

import os
import unittest

from desktop import DesktopTestCase
from musicfolder import SIDE_FILES, make_album, snapshot


class WriteTagOtherFiles(DesktopTestCase):
    def test_other_files_untouched(self):
        album = os.path.join(self.workdir, "album")
        made = make_album(album)
        before = snapshot(album)
        # Ctrl+W stands for the ID3v2 writer, as after choosing it once.
        app = self.start_app(Main={"Write Tag Image": 14})
        self.add_folder(app, album, rows=len(before))  # the default mask takes every file
        app.click_on(app.cell(1, "Старое имя"))
        app.key("ctrl+w")
        self.assert_command_started(app, "Ctrl+W in the table", "Старое имя")
        self.wait_written(app, rows=len(before))

        after = snapshot(album)
        self.assertEqual(sorted(after), sorted(before), "files after Ctrl+W")
        for name in sorted(set(SIDE_FILES) | {"cover.jpg"}):
            with self.subTest(file=name):
                was, now = before[name], after[name]
                how = ("an ID3v2 tag was put in front" if now.startswith(b"ID3") and not was.startswith(b"ID3")
                       else "%d bytes, now %d" % (len(was), len(now)))
                self.assertTrue(now == was, "Ctrl+W changed %s: %s" % (name, how))
        # The cells hold what the tags hold: nothing is written at all.
        for name in sorted(made):
            with self.subTest(file=name):
                self.assertTrue(after[name] == before[name], "Ctrl+W rewrote the unchanged tag of " + name)

if __name__ == "__main__":
    unittest.main()
