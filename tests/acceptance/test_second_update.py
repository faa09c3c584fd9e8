"""An update renames an album; the status line says what was done. A second
update would give the files their old names back: it asks first, saying
how many, and Enter keeps the files as they are."""

import os
import unittest

from desktop import DesktopTestCase, poll, wait_until
from musicfolder import make_album, snapshot

YES = ("&Yes", "Yes", "&Да", "Да")


class SecondUpdate(DesktopTestCase):
    def test_second_update_asks_before_renaming_back(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3", "03 rain.mp3"))
        with self.app_running(ScanDir={"Filter": "*.mp3"}) as app:
            self.add_folder(app, album, rows=3)
            self.type_in_editor_box(app, "Новое имя", "%TT")
            app.key("ctrl+u")
            self.wait_written(app, rows=3)
            renamed = ["Intro.mp3", "Morning.mp3", "Rain.mp3"]
            self.assertEqual(sorted(snapshot(album)), renamed)
            self.assertIn("переименовано: 3; с ошибками: 0", app.status())

            app.click_on(app.cell(1, "Старое имя"))
            app.key("ctrl+u")
            self.question(app, "будут возвращены прежние имена")
            self.assertIn("файлов: 3", app.dialog_text("будут возвращены прежние имена"))
            app.key("Return")  # No is the default
            self.assertTrue(poll(lambda: app.find("alert") is None, 10.0), "the question stayed open after Enter")
            self.assertEqual(sorted(snapshot(album)), renamed)

            # Asked for, the update renames back.
            app.activate(app.window)
            app.key("ctrl+u")
            self.answer(app, self.question(app, "будут возвращены прежние имена"), YES)
            wait_until(lambda: sorted(snapshot(album)) == ["01 intro.mp3", "02 morning.mp3", "03 rain.mp3"],
                       lambda: "the old names back (the folder holds %r)" % sorted(snapshot(album)))


if __name__ == "__main__":
    unittest.main()
