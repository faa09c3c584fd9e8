"""A wrong update undone from the File menu after a restart: the album is
back exactly, byte for byte; Enter on the question keeps the files."""

import os
import unittest

from desktop import DesktopTestCase, poll
from musicfolder import make_album, snapshot

YES = ("&Yes", "Yes", "&Да", "Да")


class UndoUpdate(DesktopTestCase):
    def test_menu_puts_back_a_wrongly_renamed_and_retagged_album(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3", "03 rain.mp3"))
        before = snapshot(album)
        with self.app_running(ScanDir={"Filter": "*.mp3"}) as app:
            self.add_folder(app, album, rows=3)
            self.type_in_editor_box(app, "Новое имя", "%TT wrong")
            self.type_in_editor_box(app, "Заголовок", "Wrong title")
            app.key("ctrl+u")
            self.wait_written(app, rows=3)
            self.assertEqual(sorted(snapshot(album)),
                             ["Intro wrong.mp3", "Morning wrong.mp3", "Rain wrong.mp3"])
            self.assertEqual(app.quit(), 0)

        # A new run of the program knows the update from the journal alone.
        with self.app_running() as app:
            app.menu("Файл", "Отменить последнее обновление")
            self.question(app, "Отменить обновление от")
            self.assertIn("изменено файлов: 6", app.dialog_text("Отменить обновление от"))
            app.key("Return")  # No is the default: nothing changes
            self.assertTrue(poll(lambda: app.find("alert") is None, 10.0),
                            "the question stayed open after Enter")
            self.assertEqual(sorted(snapshot(album)),
                             ["Intro wrong.mp3", "Morning wrong.mp3", "Rain wrong.mp3"])

            app.menu("Файл", "Отменить последнее обновление")
            self.answer(app, self.question(app, "Отменить обновление от"), YES)
            self.question(app, "Обновление отменено")
            self.assertIn("Возвращено файлов: 3", app.dialog_text("Обновление отменено"))
            app.key("Return")
        self.assertEqual(snapshot(album), before, "the album after the undo")


if __name__ == "__main__":
    unittest.main()
