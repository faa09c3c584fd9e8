"""Cyrillic file names in the New column: the replace button transliterates
them, Undo takes that back as one step, and "Восстановить" returns the
Latin names to Cyrillic."""

import os
import shutil
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album

CYRILLIC = ["Щука", "Жизнь"]
LATIN = ["SH'uka", "Jizn'"]


class ReplaceSymbols(DesktopTestCase):
    def wait_new(self, app, wanted, what):
        wait_until(lambda: app.column("Новое имя") == wanted,
                   lambda: "the new names %s to read %r (they read %r)" % (what, wanted, app.column("Новое имя")))

    def test_replace_undo_and_restore(self):
        album = os.path.join(self.workdir, "album")
        made = make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3"))
        for old, new in zip(sorted(made), CYRILLIC):
            shutil.move(os.path.join(album, old), os.path.join(album, new + ".mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=2)
        self.assertEqual(sorted(app.column("Новое имя")), sorted(CYRILLIC), "the new names after adding")
        order = app.column("Новое имя")
        latin = [LATIN[CYRILLIC.index(name)] for name in order]

        app.click_on(app.column_header("Новое имя"))
        bar = app.find("tool bar", "Замена символов")
        button = app.find("push button", ("Заменить",), within=bar)
        self.assertIsNotNone(button, "no replace button on the tool bar")
        x, y, w, h = app.extents(button)
        app.click(x + max(4, w // 4), y + h // 2)  # the button, not its arrow
        self.wait_new(app, latin, "after the replace button")
        app.wait_idle("Изменено строк: 2/2")

        app.menu("Правка", "Отменить")
        self.wait_new(app, order, "after undoing the replace")
        app.menu("Правка", "Повторить")
        self.wait_new(app, latin, "after redoing the replace")

        app.click_on(app.column_header("Новое имя"))
        app.menu("Замена", "Восстановить")
        self.wait_new(app, order, "after \"Восстановить\"")
        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")


if __name__ == "__main__":
    unittest.main()
