"""Another tagger changes a file's title after the window read it, keeping the
file's modification time as taggers offer to; an edit of
the artist is then written with Ctrl+W. The window asks first: Enter leaves
the file as the other program made it, lists it in the error window and
shows the title on the disk; asked again after another change, Yes writes
the row as the table says."""

import os
import subprocess
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album, snapshot, tags

YES = ("&Yes", "Yes", "&Да", "Да")
QUESTION = "измененных другой программой после чтения: 1"


def retitle(path, title):
    kept = os.stat(path)
    subprocess.run(["mid3v2", "-t", title, path], check=True, capture_output=True, timeout=60)
    os.utime(path, ns=(kept.st_atime_ns, kept.st_mtime_ns))


class ChangedElsewhere(DesktopTestCase):
    def test_write_asks_before_overwriting_another_programs_change(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3"))
        intro = os.path.join(album, "01 intro.mp3")
        # Ctrl+W stands for the ID3v2 writer, as after choosing it once.
        with self.app_running(ScanDir={"Filter": "*.mp3"}, Main={"Write Tag Image": 14}) as app:
            self.add_folder(app, album, rows=2)
            self.assertEqual(app.cell(1, "Заголовок").get_name(), "Intro")
            retitle(intro, "Overture")
            changed = snapshot(album)

            self.type_in_cell_box(app, 1, "Артист", "Somebody")
            app.key("Return")
            app.key("ctrl+w")
            self.question(app, QUESTION)
            app.key("Return")  # No is the default
            app.activate(app.x_window("Ошибка"))
            app.key("Escape")
            wait_until(lambda: app.cell(1, "Заголовок").get_name() == "Overture",
                       lambda: "the row read again (its title reads %r)" % app.cell(1, "Заголовок").get_name())
            self.assertEqual(app.cell(1, "Артист").get_name(), "The Testers")
            self.assertTrue(snapshot(album) == changed, "the file another program changed was written")

            # The row follows the disk again: a second change is asked about,
            # and Yes writes the row as the table says.
            retitle(intro, "Prelude")
            app.activate(app.window)
            app.key("ctrl+w")
            self.answer(app, self.question(app, QUESTION), YES)
            self.wait_written(app, rows=2)
            self.assertEqual(tags(intro)["v2"].get("TIT2"), "Overture")


if __name__ == "__main__":
    unittest.main()
