"""The typical request, typed on the keyboard: add a folder, make the new
names from track and title, apply with Ctrl+U, answer the question, leave."""

import os
import unittest

from desktop import DesktopTestCase
from musicfolder import make_album, snapshot


class RenameByTemplate(DesktopTestCase):
    def test_new_names_from_track_and_title(self):
        album = os.path.join(self.workdir, "album")
        # The file with an ID3v1 record only has no track or title in the
        # ID3v2 view; it is no part of this request.
        make_album(album, only=("01 intro.mp3", "02 morning.mp3", "03 rain.mp3"))
        before = snapshot(album)
        side_files = {name: data for name, data in before.items() if not name.endswith(".mp3")}
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=3)

        self.type_in_editor_box(app, "Новое имя", "%TR. %TT")
        # Tracks tagged "1/12" read as 01/12 under the numbering 01, 02, ...:
        # a name takes the number alone, and no value makes a folder.
        self.assertEqual(app.column("Трек"), ["01/12", "02/12", "03"])
        wanted = ["01. Intro", "02. Morning", "03. Rain"]
        self.assertEqual(app.column("Новое имя"), wanted, "the New cells after typing the template")

        app.key("ctrl+u")
        self.assert_command_started(app, "Ctrl+U in the editor box", "Новое имя")
        self.wait_written(app, rows=3)
        self.assertIsNone(app.dialog_text("Создать новую папку?"), "a folder question")

        moved = {"01 intro.mp3": "01. Intro.mp3", "02 morning.mp3": "02. Morning.mp3",
                 "03 rain.mp3": "03. Rain.mp3"}
        files = snapshot(album)
        self.assertEqual(sorted(files), sorted(list(moved.values()) + list(side_files)), "files after Ctrl+U")
        for name, data in side_files.items():
            self.assertEqual(files[name], data, name + " changed")
        self.assertEqual(app.column("Старое имя"), wanted, "Old cells hold the new names after renaming")

        # Only the names were asked for: the tags already hold the cells, so
        # every file keeps its bytes (v2.4 stays v2.4, track 1/12 stays 1/12).
        for old, new in moved.items():
            with self.subTest(file=new):
                self.assertTrue(files[new] == before[old], "%s changed its bytes when renamed to %s" % (old, new))

        # Leaving keeps what the dialog was given for the next time.
        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")
        self.assertEqual(app.settings().get("ScanDir", {}).get("Folder"), album, "the folder in the settings file")


if __name__ == "__main__":
    unittest.main()
