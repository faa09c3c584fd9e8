"""Two album folders sorted into Artist/Album folders by a template: the
update shows its plan first, then each album goes whole with its cover, cue
sheet and notes, the emptied folders go, and one undo brings the old tree
back."""

import os
import subprocess
import unittest

from desktop import YES_TO_ALL, DesktopTestCase
from musicfolder import make_album, snapshot

YES = ("&Yes", "Yes", "&Да", "Да")


def folders(root):
    return sorted(os.path.relpath(os.path.join(at, name), root)
                  for at, names, _ in os.walk(root) for name in names)


class SortIntoFolders(DesktopTestCase):
    def test_two_albums_go_whole_into_their_folders_and_come_back(self):
        music = os.path.join(self.workdir, "music")
        first, second = os.path.join(music, "first"), os.path.join(music, "second")
        tracks = ("01 intro.mp3", "02 morning.mp3")
        for folder in (first, second):
            make_album(folder, only=tracks)
        for name in tracks:
            subprocess.run(["mid3v2", "-A", "Second", os.path.join(second, name)], check=True)
        before, folders_before = snapshot(music), folders(music)
        with self.app_running(ScanDir={"Filter": "*.mp3"}) as app:
            self.add_folder(app, music, rows=4)
            self.type_in_editor_box(app, "Новое имя", "../%AR/%AL/%TT")
            app.key("ctrl+u")
            dialog = app.wait_find("dialog", "План обновления")
            self.assertIn("Файлов: 4, остальных файлов альбомов: 6 (остаются: 0), создать папок: 3, "
                          "удалить папок: 2", app.dialog_text("Файлов: "))
            self.assertEqual(sorted(snapshot(music)), sorted(before), "files before the plan is run")
            app.click_on(app.find("push button", "Выполнить", within=dialog))
            self.answer(app, self.question(app, "Создать новую папку?"), YES_TO_ALL)
            self.wait_written(app, rows=4)

            after = snapshot(music)
            wanted = {}
            for album, source in (("Fixtures", first), ("Second", second)):
                for old, new in (("01 intro.mp3", "Intro.mp3"), ("02 morning.mp3", "Morning.mp3"),
                                 ("cover.jpg", "cover.jpg"), ("notes.txt", "notes.txt"),
                                 ("album.cue", "album.cue")):
                    wanted[os.path.join("The Testers", album, new)] = old
            self.assertEqual(sorted(after), sorted(wanted), "files after the update")
            self.assertFalse(os.path.exists(first) or os.path.exists(second), "the emptied folders")
            cue = after[os.path.join("The Testers", "Fixtures", "album.cue")]
            self.assertEqual(cue, before[os.path.join("first", "album.cue")]
                             .replace(b'"01 intro.mp3"', b'"Intro.mp3"'))

            app.menu("Файл", "Отменить последнее обновление")
            self.answer(app, self.question(app, "Отменить обновление от"), YES)
            self.question(app, "Обновление отменено")
            app.key("Return")
        self.assertEqual(snapshot(music), before, "the tree after the undo")
        self.assertEqual(folders(music), folders_before, "the folders after the undo")


if __name__ == "__main__":
    unittest.main()
