"""An album saved as a play list with Ctrl+S (the path typed into the save
dialog, its play-list entry chosen), the table emptied with Ctrl+N and the
list opened again with Ctrl+O: the same files come back."""

import os
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album

FILES = ("01 intro.mp3", "02 morning.mp3", "03 rain.mp3")


class PlayList(DesktopTestCase):
    def file_dialog(self, app, title, path, entry=None):
        """The list dialog of title: entry chosen in its file-type box (the
        last one, by End), path typed over its name box, Enter."""
        dialog = app.wait_find("dialog", title)
        app.activate(app.x_window(title))
        if entry is not None:
            combos = app.find_all("combo box", within=dialog)
            types = [c for c in combos if "(*" in (c.get_name() or "")]
            self.assertTrue(types, "no file-type box in %r" % title)
            app.click_on(types[-1])
            app.key("End", "Return")
            wait_until(lambda: entry in types[-1].get_name(), "the file type %r" % entry)
        name = app.find("text", within=dialog)
        self.assertIsNotNone(name, "no name box in %r" % title)
        app.click_on(name)
        app.key("ctrl+a")
        app.type(path)
        app.key("Return")

    def test_album_saved_as_m3u_and_opened_back(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=FILES)
        play_list = os.path.join(self.workdir, "album.m3u")
        with self.app_running(ScanDir={"Filter": "*.mp3"}) as app:
            self.add_folder(app, album, rows=3)
            app.key("ctrl+s")
            self.file_dialog(app, "Сохранение списка", play_list, "Список аудио файлов")
            wait_until(lambda: os.path.exists(play_list), "the play list on disk")
            with open(play_list, "rb") as f:
                lines = f.read().split(b"\r\n")
            self.assertEqual(lines[0], b"#EXTM3U")
            self.assertEqual(lines[2::2][:3], [b"album/" + name.encode() for name in FILES])
            for info, title in zip(lines[1::2], ("Intro", "Morning", "Rain")):
                self.assertRegex(info, rb"^#EXTINF:\d+,The Testers - " + title.encode() + b"$")

            app.key("ctrl+n")
            wait_until(lambda: app.column("Старое имя") == [], "an empty table after Ctrl+N")

            app.key("ctrl+o")
            self.file_dialog(app, "Открытие списка", play_list)
            app.wait_idle("Добавлено файлов: 3")
            self.assertEqual(app.column("Старое имя"), [os.path.splitext(f)[0] for f in FILES])
            self.assertEqual(app.column("Заголовок"), ["Intro", "Morning", "Rain"])


if __name__ == "__main__":
    unittest.main()
