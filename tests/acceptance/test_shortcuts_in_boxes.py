"""Ctrl+U ("&Обновить") and Ctrl+W ("Записать ID3v2 Tag") pressed while
typing in the editor box or in a cell box: the command runs with the text
just typed, and no cell is emptied."""

import os
import unittest

from desktop import DesktopTestCase
from musicfolder import ALBUM, make_album, tags

NAMES = [name for name, *_ in ALBUM]
COMMENT = "fine take"

# box, key, row typed in (None: the whole column through the editor box),
# column, text, the MP3 files afterwards, their ID3v2 comments afterwards
CASES = [
    ("editor box", "ctrl+w", None, "Комментарий", COMMENT, NAMES, {name: COMMENT for name in NAMES}),
    ("editor box", "ctrl+u", None, "Новое имя", "%ON b", [name[:-4] + " b.mp3" for name in NAMES], {}),
    ("cell box", "ctrl+w", 1, "Комментарий", COMMENT, NAMES, {NAMES[0]: COMMENT}),
    ("cell box", "ctrl+u", 2, "Новое имя", "second", [NAMES[0], "second.mp3"] + NAMES[2:], {}),
]


class ShortcutsInBoxes(DesktopTestCase):
    def test_command_keys_while_typing(self):
        for box, key, row, column, text, files, comments in CASES:
            with self.subTest(box=box, key=key):
                folder = "%s %s" % (box.split()[0], key.replace("+", "-"))
                album = os.path.join(self.workdir, folder, "album")
                make_album(album, with_side_files=False)
                # Ctrl+W stands for the ID3v2 writer, as after choosing it once.
                with self.app_running(os.path.join(folder, "app"), Main={"Write Tag Image": 14},
                                      ScanDir={"Filter": "*.mp3"}) as app:
                    self.add_folder(app, album, rows=len(NAMES))
                    if row is None:
                        self.type_in_editor_box(app, column, text)
                    else:
                        self.type_in_cell_box(app, row, column, text)
                    app.key(key)
                    self.assert_command_started(app, "%s in the %s" % (key, box), column)
                    self.wait_written(app, rows=len(NAMES))
                    if comments:
                        typed = app.column(column) if row is None else [app.cell(row, column).get_name()]
                        self.assertEqual(set(typed), {text}, "the %s cells after %s" % (column, key))
                self.assertEqual(sorted(f for f in os.listdir(album) if f.endswith(".mp3")), sorted(files),
                                 "MP3 files after %s in the %s" % (key, box))
                for file, comment in comments.items():
                    self.assertEqual(tags(os.path.join(album, file))["v2"].get("COMM"), comment,
                                     "the comment of " + file)


if __name__ == "__main__":
    unittest.main()
