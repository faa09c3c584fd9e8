"""Old ID3v1 tags in KOI8-R bytes, shown mangled through the options' code
page: "Кодовая страница…" over the selected rows reads them again in KOI8-R,
and "Обновить" writes the ID3v1 tag back in it, the title's bytes unchanged."""

import os
import shutil
import subprocess
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album

TITLES = ["Кончится лето", "Группа крови"]
NAMES = ["01 old.mp3", "02 old.mp3"]


def id3v1_fields(path):
    """Title and artist bytes as mutagen reads the ID3v1 tag (its frames
    hold the bytes as Latin-1 text)."""
    import mutagen.id3
    tags = mutagen.id3.ID3(path)
    return (tags["TIT2"].text[0].encode("latin-1"), tags["TPE1"].text[0].encode("latin-1"))


class RowCodepage(DesktopTestCase):
    def wait_column(self, app, column, wanted, what):
        wait_until(lambda: app.column(column) == wanted,
                   lambda: "the %s cells %s to read %r (they read %r)" % (column, what, wanted, app.column(column)))

    def test_choose_koi8_read_and_update(self):
        for tool in ("ffmpeg", "lame", "id3v2"):
            if not shutil.which(tool):
                self.skipTest("needs " + tool)
        album = os.path.join(self.workdir, "album")
        made = make_album(album, with_side_files=False, only=("04 old tape.mp3",))
        source = os.path.join(album, next(iter(made)))
        for name, title in zip(NAMES, TITLES):
            path = os.path.join(album, name)
            shutil.copyfile(source, path)
            subprocess.run([b"id3v2", b"--id3v1-only", b"-t", title.encode("koi8-r"), b"-a", b"Artist",
                            path.encode()], check=True, capture_output=True, timeout=60)
        os.remove(source)
        before = {name: id3v1_fields(os.path.join(album, name)) for name in NAMES}
        mangled = [t.encode("koi8-r").decode("cp1251") for t in TITLES]

        with self.app_running(ScanDir={"Filter": "*.mp3"}) as app:
            self.add_folder(app, album, rows=2)
            app.menu("Вид", "ID3v1 Tag")
            self.wait_column(app, "Заголовок", mangled, "in the options' code page")

            app.click_on(app.column_header("Заголовок"))
            app.menu("Замена", "Кодовая страница…")
            dialog = app.wait_find("dialog", "Кодовая страница")
            app.activate(app.x_window(dialog.get_name()))
            # The list has the focus on the options' code page; KOI8-R is two down.
            app.key("Down", "Down", "Return")
            self.wait_column(app, "Заголовок", TITLES, "in KOI8-R")

            self.type_in_cell_box(app, 1, "Артист", "Другой")
            app.key("Return", "ctrl+u")
            self.wait_written(app, rows=2)
            self.wait_column(app, "Заголовок", TITLES, "after the update")
            self.assertEqual(app.quit(), 0)

        first = id3v1_fields(os.path.join(album, NAMES[0]))
        self.assertEqual(first, (before[NAMES[0]][0], "Другой".encode("koi8-r")))
        self.assertEqual(id3v1_fields(os.path.join(album, NAMES[1])), before[NAMES[1]])


if __name__ == "__main__":
    unittest.main()
