"""A picture dropped on selected rows, the way a user drags it from a file
manager: another X client (dragsource) drags the image's file, the pointer
carries it over the selected rows and lets go; the picture waits for the
update, which writes it into those rows' files only (read with mutagen)."""

import os
import subprocess
import time
import unittest

from mutagen.id3 import ID3

from desktop import SLOWDOWN, DesktopTestCase, missing_tool, wait_until
from musicfolder import make_album

FILES = ("01 intro.mp3", "02 morning.mp3", "03 rain.mp3")


def front_cover(path):
    pictures = [p for p in ID3(path).getall("APIC") if p.type == 3]
    return pictures[0].data if pictures else None


class DropCover(DesktopTestCase):
    def drag(self, image, to):
        """Drags image from a window of dragsource to the point `to` with
        the pointer, in small steps as a hand moves; returns what the
        source says of the drop."""
        source = subprocess.Popen([os.environ["QM_DRAGSOURCE"], image], env=self.desktop.env,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                  start_new_session=True)
        try:
            self.assertTrue(source.stdout.readline().startswith("shown"))
            window = wait_until(lambda: self.desktop.run(
                ["xdotool", "search", "--onlyvisible", "--pid", str(source.pid)],
                check=False).split("\n")[-1], "the drag source's window")
            # Beside the table, below the main window.
            self.desktop.xdotool("windowmove", "--sync", window, 1100, 690)
            x, y = 1180, 740
            self.desktop.xdotool("mousemove", "--sync", x, y)
            time.sleep(0.2 * SLOWDOWN)
            self.desktop.xdotool("mousedown", 1)
            time.sleep(0.3 * SLOWDOWN)
            steps = 20
            for i in range(1, steps + 1):
                self.desktop.xdotool("mousemove", x + (to[0] - x) * i // steps,
                                     y + (to[1] - y) * i // steps)
                time.sleep(0.05 * SLOWDOWN)
            time.sleep(0.3 * SLOWDOWN)
            self.desktop.xdotool("mouseup", 1)
            return source.stdout.readline().strip()
        finally:
            # The target fetches the data after the drag ended at the source,
            # which stays a few seconds to give it.
            try:
                source.wait(timeout=10 * SLOWDOWN)
            except subprocess.TimeoutExpired:
                source.kill()
                source.wait()

    def test_image_dropped_on_selected_rows_is_written_by_the_update(self):
        if not os.environ.get("QM_DRAGSOURCE"):
            missing_tool("dragsource (QM_DRAGSOURCE), built with the tests")
        album = os.path.join(self.workdir, "album")
        make_album(album, with_side_files=False, only=FILES)
        image = os.path.join(self.workdir, "dropped.png")
        subprocess.run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                        "color=c=orange:s=48x40", "-frames:v", "1", image], check=True)
        with open(image, "rb") as f:
            dropped = f.read()
        third = front_cover(os.path.join(album, FILES[2]))

        with self.app_running(ScanDir={"Filter": "*.mp3"}) as app:
            self.add_folder(app, album, rows=3)
            app.click_on(app.cell(1, "Старое имя"))
            app.key("shift+Down")
            said = self.drag(image, app.center(app.cell(2, "Старое имя")))
            self.assertEqual(said, "dropped", "the drag source saw no drop")
            app.wait_idle("Картинки ждут обновления в файлах: 2/2")
            self.assertIsNone(front_cover(os.path.join(album, FILES[0])), "before the update")
            app.activate(app.window)
            app.key("ctrl+u")
            self.wait_written(app, rows=3)

        self.assertEqual(front_cover(os.path.join(album, FILES[0])), dropped)
        self.assertEqual(front_cover(os.path.join(album, FILES[1])), dropped)
        self.assertEqual(front_cover(os.path.join(album, FILES[2])), third, "a row not selected")


if __name__ == "__main__":
    unittest.main()
