"""Titles typed in the editor box, then the selection cleared by its tool
button while the box keeps the focus: undo takes back the clearing alone."""

import os
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album


class UndoAfterTyping(DesktopTestCase):
    def test_undo_of_a_command_keeps_the_typing_before_it(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=2)

        self.type_in_editor_box(app, "Заголовок", "typed")
        wait_until(lambda: app.column("Заголовок") == ["typed", "typed"], "the typed titles")
        # A tool button takes no focus: the box keeps it while the command runs.
        bar = app.find("tool bar", "Редактирование")
        app.click_on(app.find("push button", "Очистить выделенное", within=bar))
        wait_until(lambda: app.column("Заголовок") == ["", ""], "the cleared titles")

        app.menu("Правка", "Отменить")
        wait_until(lambda: app.column("Заголовок") == ["typed", "typed"],
                   lambda: "the typed titles back after undo (they read %r)" % app.column("Заголовок"))
        app.menu("Правка", "Отменить")
        wait_until(lambda: app.column("Заголовок") == ["Intro", "Morning"],
                   lambda: "the titles read from the files after a second undo (they read %r)"
                   % app.column("Заголовок"))
        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")


if __name__ == "__main__":
    unittest.main()
