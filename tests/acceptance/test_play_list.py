"""An album saved as a play list with Ctrl+S (the path typed into the save
dialog, its play-list entry chosen), the table emptied with Ctrl+N and the
list opened again with Ctrl+O: the same files come back, and an update then
leaves them as they were. The same for the player's list, taken from a
running Audacious."""

import os
import pathlib
import shutil
import subprocess
import unittest

from desktop import DesktopTestCase, missing_tool, wait_until
from musicfolder import make_album, snapshot

FILES = ("01 intro.mp3", "02 morning.mp3", "03 rain.mp3")


class PlayList(DesktopTestCase):
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

            before = snapshot(album)
            app.key("ctrl+o")
            self.file_dialog(app, "Открытие списка", play_list)
            # The list's artist and title go into the ID3v2 view that was on;
            # the other fields are read from the files.
            self.wait_read(app, "Альбом", ["Fixtures"] * 3)
            self.assertEqual(app.column("Старое имя"), [os.path.splitext(f)[0] for f in FILES])
            self.assertEqual(app.column("Заголовок"), ["Intro", "Morning", "Rain"])
            self.assertEqual(app.column("Альбом"), ["Fixtures"] * 3)
            self.update_changes_nothing(app, album, before)

    def wait_read(self, app, column, cells):
        wait_until(lambda: not app.busy() and app.column(column) == cells,
                   lambda: "the %s cells %r (they are %r)" % (column, cells, app.column(column)))

    def update_changes_nothing(self, app, album, before):
        """Ctrl+U over the rows read: every file keeps its bytes (no tag made
        in another version, no field deleted)."""
        app.activate(app.window)
        app.click_on(app.cell(1, "Старое имя"))
        app.key("ctrl+u")
        self.wait_written(app, rows=len(before))
        files = snapshot(album)
        for name, data in before.items():
            self.assertTrue(files.get(name) == data, name + " changed by the update")

    def test_players_list_then_update(self):
        if not (shutil.which("audacious") and shutil.which("dbus-send")):
            missing_tool("no audacious")
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=FILES)
        before = snapshot(album)
        home = os.path.join(self.workdir, "player")
        env = dict(self.desktop.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"))
        os.makedirs(home)
        player = subprocess.Popen(["audacious", "-H"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, start_new_session=True)
        self.addCleanup(lambda: (player.kill(), player.wait()))

        def call(method, *args):
            return self.desktop.run(["dbus-send", "--session", "--print-reply", "--dest=org.atheme.audacious",
                                     "/org/atheme/audacious", "org.atheme.audacious." + method] + list(args),
                                    check=False)
        wait_until(lambda: "int32" in call("Length"), "audacious on the bus")
        for name in FILES:
            call("AddUrl", "string:" + pathlib.Path(album, name).as_uri())
        wait_until(lambda: "int32 3" in call("Length"), "three files in the player's list")

        with self.app_running(ScanDir={"Filter": "*.mp3"}) as app:
            app.menu("Файл", "Добавить в таблицу", "Список Winamp")
            self.wait_read(app, "Альбом", ["Fixtures"] * 3)
            self.assertEqual(app.column("Старое имя"), [os.path.splitext(f)[0] for f in FILES])
            # The files' own titles, not what the player shows for them.
            self.assertEqual(app.column("Заголовок"), ["Intro", "Morning", "Rain"])
            self.assertEqual(app.column("Альбом"), ["Fixtures"] * 3)
            self.update_changes_nothing(app, album, before)


if __name__ == "__main__":
    unittest.main()
