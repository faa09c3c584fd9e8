"""Files and folders given to the launcher (Exec=quillmark %F) arrive as
several arguments: each becomes rows in the order given, a folder scanned as
the add-folder dialog scans, not one row named after the folder."""

import os
import unittest

from desktop import App, DesktopTestCase, wait_until
from musicfolder import make_album


class OpenFromLauncher(DesktopTestCase):
    def test_every_path_becomes_rows_in_order(self):
        single = os.path.join(self.workdir, "single")
        # A folder named in Windows-1251 ("альбом"), as on an old player:
        # the argument's bytes must reach that folder.
        album = os.path.join(self.workdir, os.fsdecode(b"\xe0\xeb\xfc\xe1\xee\xec"))
        make_album(single, with_side_files=False, only=("03 rain.mp3",))
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3"))
        app = App(self.desktop, os.path.join(self.workdir, "app"),
                  {"Main": {"Left": 0, "Top": 0, "Width": 1200, "Height": 700},
                   "ScanDir": {"Filter": "*.mp3"}})
        self.apps.append(app)
        app.start(os.path.join(single, "03 rain.mp3"), album)
        # Not the status line: the window may open under the pointer, whose
        # hint then replaces the read's last count.
        def read():
            durations = app.column("Длительность")
            return not app.busy() and len(durations) == 3 and all(durations)
        wait_until(read, "three rows with their file information")
        self.assertEqual(app.column("Старое имя"), ["03 rain", "01 intro", "02 morning"])
        shown = os.path.join(self.workdir, "альбом") + "/"
        self.assertEqual(app.column("Путь"), [single + "/", shown, shown])
        # On X11 the desktop matches the window to its launcher by the
        # instance part of WM_CLASS.
        launcher = os.path.join(os.path.dirname(__file__), "..", "..", "data",
                                "io.github.quillmark.Quillmark.desktop")
        with open(launcher, encoding="utf-8") as f:
            wm_class = [line.split("=", 1)[1].strip() for line in f if line.startswith("StartupWMClass=")]
        instance = app.desktop.run(["xprop", "-id", app.window, "WM_CLASS"]).split('"')[1]
        self.assertEqual(wm_class, [instance], "StartupWMClass of the launcher")
        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")


if __name__ == "__main__":
    unittest.main()
