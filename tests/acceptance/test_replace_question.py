"""Enter on the question "Файл … уже существует.\\nЗаменить существующий
файл?" keeps the existing file: replacing is never the default."""

import os
import shutil
import unittest

from desktop import DesktopTestCase
from musicfolder import make_album, tags


class ReplaceQuestion(DesktopTestCase):
    def test_enter_keeps_the_existing_file(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=2)
        # The question is about a file outside the job: one of the table's
        # own files is never replaced and never asked about.
        shutil.copyfile(os.path.join(album, "02 morning.mp3"), os.path.join(album, "03 other.mp3"))
        self.type_in_cell_box(app, 1, "Новое имя", "03 other")
        app.key("Return", "ctrl+u")  # Enter closes the box and gives the table the focus

        self.question(app, "Заменить существующий файл?")
        self.assertEqual(app.dialog_text("Заменить существующий файл?"),
                         "Файл %s/03 other.mp3 уже существует.\nЗаменить существующий файл?" % album)
        app.key("Return")
        self.wait_written(app, rows=2)
        # Each row's tag is written all the same, so the files are told apart by title.
        titles = {name: tags(os.path.join(album, name))["v2"].get("TIT2") for name in os.listdir(album)}
        self.assertEqual(titles, {"01 intro.mp3": "Intro", "02 morning.mp3": "Morning",
                                  "03 other.mp3": "Morning"},
                         "file names and titles after Enter on the replace question")

if __name__ == "__main__":
    unittest.main()
