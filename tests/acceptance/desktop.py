"""The real quillmark window on a private X server, driven by real X input.

A Desktop is an Xvfb display with the openbox window manager (so focus and
activation behave as on a desktop) and a private D-Bus session bus (Qt
announces its widgets on the accessibility bus found through it). It lives
for one test process, since the accessibility library keeps its first bus.
An App is one run of the program on it with its own settings folder: keys
and clicks go through xdotool (the XTEST extension, as from a keyboard);
widgets are found, and table cells and the status line read, through AT-SPI.
"""

import atexit
import configparser
import contextlib
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import musicfolder

TOOLS = ("Xvfb", "xdotool", "xmodmap", "openbox", "dbus-daemon", "ffmpeg")
BUILD = os.path.join(os.path.dirname(__file__), "..", "..", "build")
# A loaded machine gets more time through QM_ACCEPTANCE_SLOWDOWN=2 and so on.
SLOWDOWN = float(os.environ.get("QM_ACCEPTANCE_SLOWDOWN", "1"))


def app_binary():
    return os.environ.get("QM_APP", os.path.join(BUILD, "src", "app", "quillmark"))


def why_not_runnable():
    """A reason the acceptance tests cannot run here, or None."""
    missing = [tool for tool in TOOLS if not shutil.which(tool)]
    if missing:
        return "missing " + ", ".join(missing) + " (scripts/setup.sh installs them)"
    if not os.access(app_binary(), os.X_OK):
        return "no program at " + app_binary() + " (build it first)"
    try:
        import gi  # noqa: F401  (python3-pyatspi brings it)
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError):
        return "python3-pyatspi is missing (run the tests with /usr/bin/python3)"
    return None


def missing_tool(reason):
    """Skips the test for a tool the machine lacks; fails it instead where
    every tool must be there (QUILLMARK_REQUIRE_TOOLS=1, as CI sets)."""
    if os.environ.get("QUILLMARK_REQUIRE_TOOLS") == "1":
        raise AssertionError(reason + " (QUILLMARK_REQUIRE_TOOLS=1)")
    raise unittest.SkipTest(reason)


def poll(condition, timeout, interval=0.05):
    """Polls condition until it returns something true and returns that, or
    None when the time is up."""
    deadline = time.monotonic() + timeout * SLOWDOWN
    while True:
        try:
            value = condition()
        except Exception:  # the widget tree changes under our feet
            value = None
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)


def wait_until(condition, what, timeout=15.0):
    """poll, failing the test with what was awaited (a text, or a function
    giving it at that moment) when the time is up."""
    value = poll(condition, timeout)
    if not value:
        raise AssertionError("timed out after %gs waiting for %s"
                             % (timeout * SLOWDOWN, what() if callable(what) else what))
    return value


def _stop(process):
    """Ends a process this module started, and everything in its group."""
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(timeout=5)
    except (ProcessLookupError, subprocess.TimeoutExpired):
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()


class Desktop:
    def __init__(self, size=(1280, 800)):
        self.size = size
        self.processes = []
        self.spare_keycodes = None
        self.mapped_letters = set()
        self.env = dict(os.environ)
        # The flows read the Russian texts, whatever the machine's locale.
        self.env.setdefault("QUILLMARK_LANG", "ru")

    def _spawn(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, start_new_session=True, **kwargs)
        self.processes.append(process)
        return process

    def _read_line(self, fd, what):
        data = b""
        deadline = time.monotonic() + 10 * SLOWDOWN
        while not data.endswith(b"\n"):
            if not select.select([fd], [], [], max(0.0, deadline - time.monotonic()))[0]:
                raise RuntimeError("no answer from " + what)
            chunk = os.read(fd, 256)
            if not chunk:
                raise RuntimeError(what + " ended early")
            data += chunk
        return data.decode().strip()

    def start(self):
        # Xvfb picks a free display and names it on the pipe.
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp",
                     "-screen", "0", "%dx%dx24" % self.size],
                    pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.env["DISPLAY"] = ":" + self._read_line(read_end, "Xvfb")
        os.close(read_end)
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._read_line(bus.stdout.fileno(), "dbus-daemon")
        for name in ("WAYLAND_DISPLAY", "XAUTHORITY", "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)
        # The accessibility library of this process must find the same bus.
        os.environ.update({k: self.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        # On a loaded machine openbox now and then ends before it manages the
        # display; one that is gone is started again.
        managed = lambda: "window id" in self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        said = ""
        for attempt in range(5):
            wm = self._spawn(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            if poll(lambda: managed() or wm.poll() is not None, 20) and managed():
                return self
            _stop(wm)
            said = wm.stderr.read().decode(errors="replace").strip() if wm.stderr else ""
            time.sleep(0.5 * (attempt + 1))
        wait_until(managed, "the window manager (openbox said: %s)" % (said or "nothing"), timeout=1)
        return self

    def stop(self):
        for process in reversed(self.processes):
            _stop(process)
        self.processes.clear()

    def run(self, args, check=True):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=30 * SLOWDOWN)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout.strip()

    def map_letters(self, text):
        """Puts the letters of text that the keymap lacks on spare keys, and
        leaves them there. xdotool would map each such letter to a spare key
        for the moment and take it back; a loaded program reads the keymap
        late, sees the key as another letter or none, and drops letters."""
        wanted = sorted({c.lower() for c in text if ord(c) > 127} - self.mapped_letters)
        if not wanted:
            return
        if self.spare_keycodes is None:
            self.spare_keycodes = [int(line.split()[1]) for line in self.run(["xmodmap", "-pke"]).splitlines()
                                   if len(line.split()) == 3]
        expressions = []
        for letter in wanted[:len(self.spare_keycodes)]:
            code = self.spare_keycodes.pop()
            expressions += ["-e", "keycode %d = U%04X U%04X" % (code, ord(letter), ord(letter.upper()[0]))]
            self.mapped_letters.add(letter)
        if expressions:
            self.run(["xmodmap"] + expressions)

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args])

    def active_window(self):
        return self.run(["xdotool", "getactivewindow"], check=False)

    def screenshot(self, path):
        self.run(["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-video_size", "%dx%d" % self.size,
                  "-i", self.env["DISPLAY"], "-frames:v", "1", path], check=False)


def _atspi():
    import warnings
    warnings.filterwarnings("ignore", category=ImportWarning)  # gi's importer, under unittest
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    return Atspi


class App:
    """One run of quillmark with a fresh settings folder under workdir."""

    TITLE = "Quillmark"

    def __init__(self, desktop, workdir, settings=None):
        self.desktop = desktop
        self.workdir = workdir
        self.config = os.path.join(workdir, "config")
        os.makedirs(self.config, exist_ok=True)
        if settings:
            self.write_settings(settings)
        self.process = None
        self.window = None
        self.root = None

    @property
    def settings_path(self):
        return os.path.join(self.config, "TagQuill.ini")

    def write_settings(self, sections):
        """sections: {"Main": {"Width": 900}, ...}, written as the program's INI file."""
        lines = []
        for section, keys in sections.items():
            lines.append("[%s]" % section)
            lines += ["%s=%s" % (key, value) for key, value in keys.items()]
            lines.append("")
        with open(self.settings_path, "w", encoding="utf-8", newline="\r\n") as f:
            f.write("\n".join(lines))

    def settings(self):
        """The settings file as the program left it: {section: {key: text}}."""
        parser = configparser.ConfigParser(interpolation=None, strict=False)
        parser.optionxform = str  # keys keep their letter case
        with open(self.settings_path, encoding="utf-8-sig") as f:
            parser.read_file(f)
        return {name: dict(parser[name]) for name in parser.sections()}

    def start(self, *args):
        env = dict(self.desktop.env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QUILLMARK_CONFIG_DIR=self.config, LANG="C.UTF-8", LC_ALL="C.UTF-8",
                   # the write journal, never in the user's data folder
                   QUILLMARK_DATA_DIR=os.path.join(self.workdir, "data"))
        log = open(os.path.join(self.workdir, "app.log"), "wb")
        self.process = subprocess.Popen([app_binary()] + list(args), env=env, stdout=log, stderr=log,
                                        start_new_session=True)
        log.close()
        self.window = self.x_window(self.TITLE)
        self.activate(self.window)
        Atspi = _atspi()
        desktop = Atspi.get_desktop(0)

        def find_root():
            for i in range(desktop.get_child_count()):
                app = desktop.get_child_at_index(i)
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
        self.root = wait_until(find_root, "the program on the accessibility bus")
        # Read the live widgets every time, never a cached copy.
        self.root.set_cache_mask(Atspi.Cache.NONE)
        wait_until(lambda: self.find("frame"), "the main window's accessible frame")
        return self

    def stop(self):
        _stop(self.process)

    def quit(self):
        """"&Выход" by its key, Ctrl+Q, in the main window; waits for the end."""
        self.activate(self.window)
        self.key("ctrl+q")
        wait_until(lambda: not self.alive(), "the program to end after Ctrl+Q")
        return self.process.returncode

    def alive(self):
        return self.process.poll() is None

    def x_window(self, title):
        """Waits for a shown window of this program whose title holds title."""
        return wait_until(lambda: self.desktop.run(
            ["xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.process.pid), "--name", title],
            check=False).split("\n")[-1], "a window %r of the program" % title)

    # --- X input -----------------------------------------------------------
    def activate(self, window):
        self.desktop.xdotool("windowactivate", "--sync", window)
        wait_until(lambda: self.desktop.active_window() == window, "window %s to be active" % window)

    def key(self, *keys):
        """Key names as xdotool knows them: ctrl+u, Return, Escape."""
        self.desktop.xdotool("key", "--delay", 40, *keys)

    def type(self, text):
        self.desktop.map_letters(text)
        self.desktop.xdotool("type", "--delay", 30, text)

    def click(self, x, y):
        self.desktop.xdotool("mousemove", "--sync", x, y, "click", 1)

    def click_on(self, accessible):
        self.click(*self.center(accessible))

    # --- widgets through AT-SPI ---------------------------------------------
    @staticmethod
    def extents(accessible):
        Atspi = _atspi()
        r = accessible.get_extents(Atspi.CoordType.SCREEN)
        return r.x, r.y, r.width, r.height

    def center(self, accessible):
        x, y, w, h = self.extents(accessible)
        return x + w // 2, y + h // 2

    def showing(self, accessible):
        Atspi = _atspi()
        return accessible.get_state_set().contains(Atspi.StateType.SHOWING) and self.extents(accessible)[2] > 0

    def find_all(self, role, name=None, within=None, showing=True, limit=None):
        """Accessibles of a role ("push button", "menu item", ...) whose name is
        name, or contains it when name is a ("part",) tuple; depth first."""
        found = []
        stack = [within or self.root]
        while stack and (limit is None or len(found) < limit):
            node = stack.pop()
            if node is None:
                continue
            node_role = node.get_role_name()
            if node_role == role and self._name_matches(node.get_name(), name) and (
                    not showing or self.showing(node)):
                found.append(node)
            if node_role in ("table", "list") and node is not within:
                continue  # cells are read through the table interface
            count = node.get_child_count()
            stack.extend(node.get_child_at_index(i) for i in reversed(range(count)))
        return found

    @staticmethod
    def _name_matches(actual, wanted):
        if wanted is None:
            return True
        if isinstance(wanted, tuple):
            return any(part in actual for part in wanted)
        return actual == wanted

    def find(self, role, name=None, within=None, showing=True):
        found = self.find_all(role, name, within, showing, limit=1)
        return found[0] if found else None

    def wait_find(self, role, name=None, within=None, timeout=15.0):
        return wait_until(lambda: self.find(role, name, within), "%s %r" % (role, name), timeout)

    def menu(self, *path):
        """Opens a menu bar menu and its submenus by clicks and clicks the last item."""
        within = self.find("menu bar")
        for caption in path:
            item = self.wait_find("menu item", caption, within)
            self.click_on(item)
            within = None

    # --- the table and the status line --------------------------------------
    def grid(self):
        return self.find("table")

    def column_header(self, caption):
        """The header of a column by its caption without the metasymbol: "Новое имя"."""
        grid = self.grid()
        for c in range(grid.get_n_columns()):
            header = grid.get_column_header(c)
            if header.get_name().split(" (%")[0] == caption:
                return header
        raise AssertionError("no column %r" % caption)

    def cell(self, row, caption):
        """A file row's cell (row 1 is the first file) by its column caption."""
        grid = self.grid()
        for c in range(grid.get_n_columns()):
            if grid.get_column_header(c).get_name().split(" (%")[0] == caption:
                return grid.get_accessible_at(row - 1, c)
        raise AssertionError("no column %r" % caption)

    def column(self, caption):
        """The texts of a column's cells, file rows only (the blank last row left out)."""
        grid = self.grid()
        rows = grid.get_n_rows() - 1
        return [self.cell(row, caption).get_name() for row in range(1, rows + 1)]

    def status(self):
        panel_label = self.find("label", within=self.find("filler", within=self.find("frame")), showing=False)
        return panel_label.get_name() if panel_label else ""

    def busy(self):
        stop = self.find("push button", "Стоп", showing=False)
        return stop is not None and self.showing(stop)

    def wait_idle(self, what, timeout=30.0):
        """Waits until no job runs (the Stop button is hidden) and status holds what."""
        return wait_until(lambda: not self.busy() and what in self.status(),
                          lambda: "the status line to show %r (it shows %r)" % (what, self.status()), timeout)

    def dialog_text(self, part):
        """The first shown label holding part, anywhere in the program (message boxes)."""
        label = self.find("label", (part,))
        return label.get_name() if label else None

    def screenshot(self, name="failure.png"):
        """The whole screen with this program's window raised, into its folder."""
        path = os.path.join(self.workdir, name)
        try:
            self.desktop.xdotool("windowraise", self.window)
            time.sleep(0.3)  # the program repaints what was covered
        except (RuntimeError, subprocess.TimeoutExpired):
            pass
        self.desktop.screenshot(path)
        return path


# Qt's own button text, untranslated or in Russian.
YES_TO_ALL = ("Yes to All", "Да для всех")


class DesktopTestCase(unittest.TestCase):
    """A test with the desktop of its process, a fresh temp folder and helpers
    for the steps every flow shares. A failing test keeps its folder, with a
    screenshot and the program's output, and names it."""

    desktop = None

    @classmethod
    def setUpClass(cls):
        reason = why_not_runnable()
        if not reason and musicfolder.missing_tools():
            reason = "missing " + ", ".join(musicfolder.missing_tools())
        if reason:
            missing_tool(reason)
        if DesktopTestCase.desktop is None:
            DesktopTestCase.desktop = Desktop()
            # The X server and the bus end with the process, even when stopped.
            atexit.register(DesktopTestCase.desktop.stop)
            signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
            DesktopTestCase.desktop.start()

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="qm-acceptance-")
        self.apps = []
        self.addCleanup(self._clean_up)

    def _failed(self):
        result = self._outcome.result
        return any(test is self or getattr(test, "test_case", None) is self
                   for test, _ in result.failures + result.errors)

    def _clean_up(self):
        failed = self._failed()
        for app in self.apps:
            if failed and app.alive():
                print("\nscreenshot: " + app.screenshot(), file=sys.stderr)
            app.stop()
        if failed:
            print("kept: " + self.workdir, file=sys.stderr)
        else:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def start_app(self, name="app", **sections):
        """Starts the program with a settings file holding sections; the
        window is made big enough to show the columns the flows use."""
        settings = {"Main": {"Left": 0, "Top": 0, "Width": 1200, "Height": 700}}
        for section, keys in sections.items():
            settings.setdefault(section, {}).update(keys)
        app = App(self.desktop, os.path.join(self.workdir, name), settings)
        self.apps.append(app)
        return app.start()

    @contextlib.contextmanager
    def app_running(self, name="app", **sections):
        """start_app for a part of a test: the program ends with the block,
        leaving a screenshot when the block failed."""
        app = self.start_app(name, **sections)
        try:
            yield app
        except BaseException:
            print("\nscreenshot: " + app.screenshot(), file=sys.stderr)
            raise
        finally:
            app.stop()

    def add_folder(self, app, folder, rows):
        """File → Добавить в таблицу → Директорию..., the folder typed over
        the dialog's text, Enter; waits until rows files are read."""
        app.menu("Файл", "Добавить в таблицу", "Директорию...")
        dialog = app.wait_find("dialog", "Сканирование директории")
        app.activate(app.x_window(dialog.get_name()))
        self.assertIsNotNone(app.find("text", within=dialog), "the dialog has no folder box")
        app.key("ctrl+a")
        app.type(folder)
        app.key("Return")
        app.wait_idle("Прочитано информации %d/%d" % (rows, rows))
        self.assertEqual(len(app.column("Старое имя")), rows, "rows in the table after adding " + folder)

    def editor_box(self, app):
        """The text of the editor box on the "Редактор ячеек" tool bar."""
        box = app.find("combo box", within=app.find("tool bar", "Редактор ячеек"))
        self.assertIsNotNone(box, "no editor box on the tool bar")
        return app.find("text", within=box)

    def type_in_editor_box(self, app, column, text):
        """Selects a column by a header click and types text over the editor box."""
        app.click_on(app.column_header(column))
        app.click_on(self.editor_box(app))
        app.key("ctrl+a")
        app.type(text)

    def type_in_cell_box(self, app, row, column, text):
        """Enter on a cell opens the cell box; text is typed over its text and
        reaches the cell at once. The box stays open. (X input arrives in
        order, so the box has the focus before the first letter.) The table
        takes no click while a job runs, and a read job shows its cells
        before it ends: it is waited for first."""
        wait_until(lambda: not app.busy(), "the job before the cell box to end")
        app.click_on(app.cell(row, column))
        app.key("Return", "ctrl+a")
        app.type(text)
        wait_until(lambda: app.cell(row, column).get_name() == text,
                   "the %s cell of row %d to read %r" % (column, row, text))

    def file_dialog(self, app, title, path, entry=None):
        """The file dialog of title: entry chosen in its file-type box (the
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

    def question(self, app, part, timeout=10.0):
        """The message box whose text holds part, made the active window."""
        alert = wait_until(lambda: app.find("alert") if app.dialog_text(part) else None,
                           "a question holding %r" % part, timeout)
        app.activate(app.x_window(alert.get_name()))
        return alert

    def answer(self, app, alert, buttons):
        """Clicks the first button of the question named one of buttons."""
        for name in buttons:
            button = app.find("push button", name, within=alert)
            if button:
                app.click_on(button)
                return
        self.fail("no button %s in the question" % (buttons,))

    def assert_command_started(self, app, what, column, timeout=5.0):
        """A write command shows "Обработано файлов: " or asks a question at
        once; what says which key was pressed where, and the failure shows
        the cells of column."""
        if not poll(lambda: app.busy() or "Обработано файлов: " in app.status() or app.find("alert"), timeout):
            self.fail("%s ran no command: the status line shows %r, the %s cells are now %r"
                      % (what, app.status(), column, app.column(column)))

    def wait_written(self, app, rows, timeout=30.0):
        """Waits for the write job to have processed rows rows and to end."""
        app.wait_idle("Обработано файлов: %d/%d" % (rows, rows), timeout)
