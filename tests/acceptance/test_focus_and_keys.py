"""The keyboard user's habits: the table has the focus after adding files,
after a sort and after the error window closes; F2 opens the cell box as
Enter does; the box's typing, a paste and a delete are undone one step
each; Escape closes the error window; Enter on the end-of-search question
answers No."""

import os
import unittest

from desktop import DesktopTestCase, _atspi, poll, wait_until
from musicfolder import make_album


class FocusAndKeys(DesktopTestCase):
    def assert_table_focused(self, app, after):
        focused = lambda: app.grid().get_state_set().contains(_atspi().StateType.FOCUSED)
        self.assertTrue(poll(focused, 10.0), "the table has no focus " + after)

    def test_focus_follows_the_table_and_keys_work(self):
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=("01 intro.mp3", "02 morning.mp3"))
        app = self.start_app(ScanDir={"Filter": "*.mp3"})
        self.add_folder(app, album, rows=2)
        self.assert_table_focused(app, "after adding files")

        app.menu("Правка", "Упорядочить строки", "По номеру трека")
        app.wait_idle("Упорядочено строк: 2/2")
        self.assert_table_focused(app, "after a sort")

        # F2 opens the cell box; what is typed reaches the cell.
        app.click_on(app.cell(1, "Новое имя"))
        before = app.cell(1, "Новое имя").get_name()
        app.key("F2", "ctrl+a")
        app.type("bad?name")
        wait_until(lambda: app.cell(1, "Новое имя").get_name() == "bad?name", "the cell box opened by F2")
        app.key("Return")
        # Enter leaves the table on the cell the box edited.
        selected = lambda: app.cell(1, "Новое имя").get_state_set().contains(_atspi().StateType.SELECTED)
        wait_until(selected, "the edited cell to stay selected after Enter in the cell box")

        # The typing is one step of undo; paste and delete are one each.
        new_name = lambda row: app.cell(row, "Новое имя").get_name()
        app.key("ctrl+z")
        wait_until(lambda: new_name(1) == before, "undo of the cell box's typing")
        app.key("ctrl+y")
        wait_until(lambda: new_name(1) == "bad?name", "redo of the cell box's typing")
        second = new_name(2)
        app.click_on(app.cell(2, "Новое имя"))
        app.key("Up", "ctrl+c", "Down", "ctrl+v")
        wait_until(lambda: new_name(2) == "bad?name", "the pasted cell")
        app.key("ctrl+Delete")
        wait_until(lambda: new_name(2) == "", "the deleted cell")
        app.key("ctrl+z")
        wait_until(lambda: new_name(2) == "bad?name", "undo of the delete")
        app.key("ctrl+z")
        wait_until(lambda: new_name(2) == second, "undo of the paste")
        app.click_on(app.cell(1, "Новое имя"))

        # A failed row opens the error window; Escape closes it and the
        # table has the focus again.
        app.key("ctrl+u")
        errors = app.x_window("Ошибка")
        app.activate(errors)
        app.key("Escape")
        wait_until(lambda: app.desktop.active_window() == app.window,
                   "the main window to be active again after Escape in the error window")
        self.assert_table_focused(app, "after the error window closed")

        # Enter on "Поиск завершен..." is No: the question does not come back.
        app.menu("Правка", "Найти")
        dialog = app.wait_find("dialog", "Найти и заменить")
        app.activate(app.x_window(dialog.get_name()))
        box = app.find("combo box", within=dialog)
        app.click_on(app.find("text", within=box) or box)
        app.key("ctrl+a")
        app.type("nothing like it")
        app.key("Return")
        self.question(app, "Поиск завершен")
        app.key("Return")
        self.assertTrue(poll(lambda: app.find("alert") is None, 5.0), "the question came back after Enter")
        self.assertEqual(app.quit(), 0, "exit status after Ctrl+Q")


if __name__ == "__main__":
    unittest.main()
