"""The modeless find and variants windows stay open while the table changes
under them: a replace or an applied variant writes only the text the user
looked at, never the row that moved into its place."""

import os
import shutil
import unittest

from desktop import DesktopTestCase, _atspi, wait_until
from musicfolder import make_album


class WindowsOverChangedRows(DesktopTestCase):
    def wait_column(self, app, caption, wanted, what):
        wait_until(lambda: app.column(caption) == wanted,
                   lambda: "the %s cells %s to read %r (they read %r)" % (caption, what, wanted, app.column(caption)))

    def delete_first_row(self, app):
        """A click on the first row's header selects the row; Delete removes it."""
        y, h = app.extents(app.cell(1, "Старое имя"))[1::2]
        app.click(app.extents(app.grid())[0] + 6, y + h // 2)
        app.key("Delete")

    def test_replace_after_the_titles_moved_up(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3", "03 rain.mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=3)
        self.assertEqual(app.column("Заголовок"), ["Intro", "Morning", "Rain"])

        app.menu("Правка", "Заменить")
        dialog = app.wait_find("dialog", "Найти и заменить")
        dialog_window = app.x_window(dialog.get_name())
        app.activate(dialog_window)
        for box, text in zip(app.find_all("combo box", within=dialog), ("morning", "MORNING")):
            app.click_on(app.find("text", within=box) or box)
            app.key("ctrl+a")
            app.type(text)
        app.click_on(app.find("push button", "Найти далее", within=dialog))

        # Delete on the first title moves the titles below it up a row.
        app.activate(app.window)
        app.click_on(app.cell(1, "Заголовок"))
        app.key("Delete")
        self.wait_column(app, "Заголовок", ["Morning", "Rain", ""], "after Delete")

        app.activate(dialog_window)
        app.click_on(app.find("push button", "Заменить", within=dialog))
        self.wait_column(app, "Заголовок", ["Morning", "Rain", ""],
                         "after \"Заменить\" on a match that moved (found again, not written)")
        app.click_on(app.find("push button", "Заменить", within=dialog))
        self.wait_column(app, "Заголовок", ["MORNING", "Rain", ""], "after \"Заменить\" on the match found again")

    def test_variant_applied_after_the_row_above_was_deleted(self):
        album = os.path.join(self.workdir, "album")
        made = make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3", "03 rain.mp3"))
        for old, new in zip(sorted(made), ["Ад", "Мир", "Пир"]):
            shutil.move(os.path.join(album, old), os.path.join(album, new + ".mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=3)
        self.assertEqual(app.column("Новое имя"), ["Ад", "Мир", "Пир"])

        app.click_on(app.column_header("Новое имя"))
        app.menu("Замена", "Варианты восстановления")
        dialog = app.wait_find("dialog", "Варианты восстановления")
        word = app.find("text", within=dialog)
        wait_until(lambda: _atspi().Text.get_text(word, 0, -1) == "Мир", "the variants window to stop in «Мир»")

        app.activate(app.window)
        self.delete_first_row(app)
        self.wait_column(app, "Новое имя", ["Мир", "Пир"], "after deleting the first row")

        app.activate(app.x_window(dialog.get_name()))
        combo = app.find("combo box", within=dialog)
        app.click_on(app.find("text", within=combo) or combo)
        app.key("Down")  # и, then ы
        app.click_on(app.find("push button", "Применить", within=dialog))
        self.wait_column(app, "Новое имя", ["Мыр", "Пир"], "after \"Применить\" with «ы»")


if __name__ == "__main__":
    unittest.main()
