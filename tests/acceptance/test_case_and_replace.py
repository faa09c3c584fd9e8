"""Titles in another letter case from the "Замена" menu and the case
button, then "Заменить все" from the find dialog; the button's choice and
the search history are there after leaving."""

import os
import unittest

from desktop import DesktopTestCase, wait_until
from musicfolder import make_album

NO = ("No", "&No", "Нет")


class CaseAndReplace(DesktopTestCase):
    def wait_titles(self, app, wanted, what):
        wait_until(lambda: app.column("Заголовок") == wanted,
                   lambda: "the titles %s to read %r (they read %r)" % (what, wanted, app.column("Заголовок")))

    def test_case_button_and_replace_all(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=2)

        # A header click selects the column down to the blank last row,
        # which the commands leave alone.
        app.click_on(app.column_header("Заголовок"))
        app.menu("Замена", "Регистр букв", "Все заглавные")
        self.wait_titles(app, ["INTRO", "MORNING"], "after \"Все заглавные\"")
        app.menu("Замена", "Регистр букв", "Все строчные")
        self.wait_titles(app, ["intro", "morning"], "after \"Все строчные\"")
        app.menu("Замена", "Регистр букв", "Слово с заглавной")
        self.wait_titles(app, ["Intro", "Morning"], "after \"Слово с заглавной\"")

        # The button repeats the last choice.
        self.type_in_cell_box(app, 1, "Заголовок", "rain drops")
        app.key("Return")
        app.click_on(app.column_header("Заголовок"))
        button = app.find("push button", ("Регистр",), within=app.find("tool bar", "Замена символов"))
        self.assertIsNotNone(button, "no case button on the tool bar")
        x, y, w, h = app.extents(button)
        app.click(x + max(4, w // 4), y + h // 2)  # the button, not its arrow
        self.wait_titles(app, ["Rain Drops", "Morning"], "after a click on the case button")

        # "Заменить" opens the dialog on its replace page.
        app.menu("Правка", "Заменить")
        dialog = app.wait_find("dialog", "Найти и заменить")
        app.activate(app.x_window(dialog.get_name()))
        boxes = app.find_all("combo box", within=dialog)
        self.assertGreaterEqual(len(boxes), 2, "the search and replacement boxes")
        for box, text in zip(boxes, ("r", "R-")):
            app.click_on(app.find("text", within=box) or box)
            app.key("ctrl+a")
            app.type(text)
        app.click_on(app.wait_find("push button", "Найти далее", within=dialog))
        app.click_on(app.find("push button", "Заменить все", within=dialog))
        question = self.question(app, "Поиск завершен. Повторить поиск с начала?")
        self.answer(app, question, NO)
        # One pass replaces the first match in every cell it meets, in the
        # case the cell has it.
        self.wait_titles(app, ["R-ain Drops", "MoR-ning"], "after \"Заменить все\"")

        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")
        settings = app.settings()
        self.assertEqual(settings.get("Edit", {}).get("Case Hint"), "Слово с заглавной")
        self.assertEqual(settings.get("Find", {}).get("HistoryFind"), "_r")
        self.assertEqual(settings.get("Find", {}).get("HistoryReplace"), "_R-")


if __name__ == "__main__":
    unittest.main()
