"""Edit → Упорядочить строки → По номеру трека over an added album: the rows
come in track order, and quillmark-cli read … | quillmark-cli
edit --sort Trc gives the same order; Ctrl+Z puts the rows back and
Ctrl+Shift+Z sorts them again. Separate numbering then sorts
by folder, keeps the order within it, and is saved."""

import json
import os
import subprocess
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album


class SortByTrack(DesktopTestCase):
    def test_window_and_command_line_agree(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("04 old tape.mp3", "02 morning.mp3", "03 rain.mp3",
                                                       "01 intro.mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=4)
        added_order = app.column("Старое имя")
        app.menu("Правка", "Упорядочить строки", "По номеру трека")
        app.wait_idle("Упорядочено строк: 4/4")
        window_order = app.column("Старое имя")
        self.assertNotEqual(window_order, added_order, "the sort moved rows")
        app.key("ctrl+z")
        wait_until(lambda: app.column("Старое имя") == added_order, "the undone sort's order")
        app.key("ctrl+shift+z")
        wait_until(lambda: app.column("Старое имя") == window_order, "the redone sort's order")

        cli = os.environ["QM_CLI"]
        env = dict(os.environ, QUILLMARK_CONFIG_DIR=app.config, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        rows = subprocess.run([cli, "read", "--mask", "*.mp3", album], env=env, check=True,
                              capture_output=True, timeout=60).stdout
        edited = subprocess.run([cli, "edit", "--sort", "Trc"], input=rows, env=env, check=True,
                                capture_output=True, timeout=60).stdout
        cli_order = [json.loads(line)["Old"] for line in edited.decode("utf-8").splitlines()]
        self.assertEqual(window_order, cli_order, "the window's and quillmark-cli's order by track")

        app.menu("Вид", "Нумерация", "Раздельная для каждой папки")
        app.wait_idle("Упорядочено строк: 4/4")
        self.assertEqual(app.column("Старое имя"), window_order, "one folder keeps its order by track")
        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")
        self.assertEqual(app.settings().get("Grid", {}).get("Nombers Separate"), "1")


if __name__ == "__main__":
    unittest.main()
