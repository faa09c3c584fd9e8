"""Titles read in the wrong code page: "Исправить кодировку…" lists them
with their readings, the unticked one stays, the others are repaired in one
step that Undo takes back."""

import os
import subprocess
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album

NAMES = ("01 intro.mp3", "02 morning.mp3", "03 rain.mp3")
RIGHT = ["Кончится лето", "Группа крови", "Звезда по имени Солнце"]
MANGLED = [RIGHT[0].encode("cp1251").decode("latin1"),
           RIGHT[1].encode("utf-8").decode("cp1252"),
           RIGHT[2].encode("koi8-r").decode("cp1251")]


class RepairEncoding(DesktopTestCase):
    def wait_titles(self, app, wanted, what):
        wait_until(lambda: app.column("Заголовок") == wanted,
                   lambda: "the titles %s to read %r (they read %r)" % (what, wanted, app.column("Заголовок")))

    def test_repair_some_and_undo(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=NAMES)
        for name, title in zip(NAMES, MANGLED):
            subprocess.run(["mid3v2", "-t", title, os.path.join(album, name)], check=True, timeout=60)
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=3)
        self.wait_titles(app, MANGLED, "after adding")

        app.click_on(app.column_header("Заголовок"))
        app.menu("Замена", "Исправить кодировку…")
        dialog = app.wait_find("dialog", "Исправить кодировку")
        app.activate(app.x_window(dialog.get_name()))
        # The list has the focus on the first cell: Space unticks it.
        app.key("space")
        app.click_on(app.wait_find("push button", "Применить", within=dialog))
        self.wait_titles(app, [MANGLED[0]] + RIGHT[1:], "after the repair of the ticked cells")

        app.menu("Правка", "Отменить")
        self.wait_titles(app, MANGLED, "after undoing the repair")
        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")


if __name__ == "__main__":
    unittest.main()
