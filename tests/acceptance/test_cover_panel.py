"""Cover art in the window: the panel shows the current row's front cover; a
picture set on the selected album waits for the update (the panel shows
it marked) and Ctrl+Z drops it; set again, shrunk, written by the update,
replaced by the folder's cover.jpg, and all of it is undone from the File
menu. The files are read with mutagen after each step."""

import os
import subprocess
import tempfile
import unittest

from mutagen.id3 import ID3

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album, snapshot

FILES = ("01 intro.mp3", "02 morning.mp3", "03 rain.mp3")
YES = ("&Yes", "Yes", "&Да", "Да")


def front_covers(folder):
    """The bytes of each file's front cover, None where it has none."""
    covers = {}
    for name in FILES:
        pictures = [p for p in ID3(os.path.join(folder, name)).getall("APIC") if p.type == 3]
        covers[name] = pictures[0].data if pictures else None
    return covers


def pixel_size(data):
    with tempfile.NamedTemporaryFile(suffix=".jpg") as f:
        f.write(data)
        f.flush()
        out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=width,height",
                              "-of", "csv=p=0", f.name], capture_output=True, text=True, check=True)
    return tuple(int(v) for v in out.stdout.strip().split(","))


PENDING = "Изменено, будет записано при обновлении"


class CoverPanel(DesktopTestCase):
    def test_album_cover_set_shrunk_taken_from_folder_and_undone(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=FILES)
        big = os.path.join(self.workdir, "big.jpg")
        subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc=size=1500x1000", "-frames:v", "1", big], check=True)
        with open(big, "rb") as f:
            big_bytes = f.read()
        # Letter case does not matter in the folder picture's name.
        subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                        "color=c=navy:s=64x64", "-frames:v", "1", os.path.join(album, "Cover.JPG")],
                       check=True)
        with open(os.path.join(album, "Cover.JPG"), "rb") as f:
            folder_cover = f.read()
        before = snapshot(album)

        with self.app_running(ScanDir={"Filter": "*.mp3"}, Pictures={"Panel": 1}) as app:
            self.add_folder(app, album, rows=3)
            # Only the third file has a cover; the panel follows the current row.
            app.click_on(app.cell(3, "Старое имя"))
            wait_until(lambda: app.find("label", ("Передняя обложка, image/jpeg, 32×32",)),
                       "the panel to show the third file's cover")

            app.click_on(app.cell(1, "Старое имя"))
            app.key("ctrl+a")
            app.menu("Картинки", "Установить картинку...")
            self.file_dialog(app, "Картинка для выделенных файлов", big)
            app.wait_idle("Картинки ждут обновления в файлах: 3/3")
            wait_until(lambda: app.find("label", (PENDING,)),
                       "the panel to mark the picture as waiting")
            wait_until(lambda: app.find("label", ("Передняя обложка, image/jpeg, 1500×1000",)),
                       "the panel to show the waiting cover")
            self.assertEqual(snapshot(album), before, "the files before the update")
            app.key("ctrl+z")
            wait_until(lambda: app.find("label", (PENDING,)) is None,
                       "Ctrl+Z to drop the waiting picture")

            app.menu("Картинки", "Установить картинку...")
            self.file_dialog(app, "Картинка для выделенных файлов", big)
            app.wait_idle("Картинки ждут обновления в файлах: 3/3")
            app.menu("Картинки", "Уменьшить большие картинки")
            app.wait_idle("Картинки ждут обновления в файлах: 3/3")
            wait_until(lambda: app.find("label", ("Передняя обложка, image/jpeg, 1000×",)),
                       "the panel to show the shrunk waiting cover")
            self.assertEqual(snapshot(album), before, "the files before the update")
            app.key("ctrl+u")
            self.wait_written(app, rows=3)
            covers = front_covers(album).values()
            self.assertTrue(all(c and max(pixel_size(c)) == 1000 for c in covers))
            wait_until(lambda: app.find("label", (PENDING,)) is None,
                       "the panel to show the written cover unmarked")

            app.menu("Картинки", "Картинки из папок")
            app.wait_idle("Картинки ждут обновления в файлах: 3/3")
            app.key("ctrl+u")
            self.wait_written(app, rows=3)
            self.assertEqual(set(front_covers(album).values()), {folder_cover})

            for _ in range(2):
                app.menu("Файл", "Отменить последнее обновление")
                self.answer(app, self.question(app, "Отменить обновление от"), YES)
                self.question(app, "Обновление отменено")
                self.assertIn("Возвращено файлов: 3", app.dialog_text("Обновление отменено"))
                app.key("Return")
                wait_until(lambda: app.find("alert") is None, "the undo's message to close")
        self.assertEqual(snapshot(album), before, "the album after the undos")


if __name__ == "__main__":
    unittest.main()
