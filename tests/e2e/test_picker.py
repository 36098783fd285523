"""The picker as a person uses it: the real program with our engine under a
private Xvfb, the mouse and keys through xdotool, what shows read back from
screenshots at known places. Every screenshot is kept under
<build>/test-artefacts/."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest
from unittest import mock

from picker_session import Picker, is_viewable, press_return_on_box, start_picker, window_geometry, window_name, xdotool
from palette import SWATCH_COLOURS
from vorhel_testing import VirtualScreen, read_text, wait_until, window_ids_of, write_opener

BLACK, WHITE = (0, 0, 0), (255, 255, 255)


def near(actual, expected, tolerance=3):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


# The palette in drawing order: red, green, blue.
SWATCHES = SWATCH_COLOURS


def swatch_centre(order):
    column, row = divmod(order - 1, 7)
    return 530 + 40 * column, 240 + 40 * row


READOUT_Y = {"red": 30, "green": 85, "blue": 140}


def readout_pixels(picker, image, channel):
    """The pixels of one readout's line (x 550 to 700, 20 rows from its y)."""
    y0 = READOUT_Y[channel]
    return [picker.pixel(image, x, y) for y in range(y0, y0 + 22) for x in range(550, 700)]


def is_yellow(p):
    return p[0] > 150 and p[1] > 150 and p[2] < 90


class PickerTest(unittest.TestCase):
    def start(self, screen, **kwargs):
        return start_picker(self, screen, **kwargs)

    def test_first_frame(self):
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen)
            image = picker.settled_shot("first-frame", lambda im: near(picker.pixel(im, 530, 240), SWATCHES[0]))
            self.assertEqual(picker.origin, (560, 240))
            for place in [(505, 100), (795, 5), (250, 505)]:
                self.assertEqual(picker.pixel(image, *place), BLACK, place)
            # The preview: black (every channel starts at 0), framed in white
            # one pixel outside its fill.
            self.assertEqual(picker.pixel(image, 250, 250), BLACK)
            for x, y in [(15, 250), (499, 250), (250, 15), (250, 499)]:
                self.assertEqual(picker.pixel(image, x, y), WHITE, (x, y))
            for x, y in [(16, 250), (498, 250), (250, 16), (250, 498)]:
                self.assertEqual(picker.pixel(image, x, y), BLACK, (x, y))
            # The 49 swatches at their centres, and the white grid on their edges.
            for order, colour in enumerate(SWATCHES, start=1):
                self.assertTrue(near(picker.pixel(image, *swatch_centre(order)), colour), order)
            for x, y in [(510, 250), (549, 250), (550, 250), (789, 490), (530, 220), (530, 499)]:
                self.assertEqual(picker.pixel(image, x, y), WHITE, (x, y))
            # A yellow readout inside each readout box.
            for channel in READOUT_Y:
                self.assertTrue(any(is_yellow(p) for p in readout_pixels(picker, image, channel)), channel)
            # The controls: translucent white faces over black, with red text.
            for name, (left, top, right, bottom) in {
                    "close": (690, 560, 790, 590), "learn-more": (15, 560, 150, 590),
                    "copy": (520, 560, 650, 590)}.items():
                face = picker.pixel(image, left + 3, top + 3)
                self.assertTrue(near(face, (100, 100, 100), 8), (name, face))
                inside = [picker.pixel(image, x, y) for x in range(left, right) for y in range(top, bottom)]
                self.assertTrue(sum(1 for p in inside if p[0] > 150 and p[1] < 90) > 20, name)
            hint = [picker.pixel(image, x, y) for x in range(15, 700) for y in range(520, 550)]
            self.assertTrue(sum(1 for p in hint if p[0] > 150 and p[1] < 90) > 100)
            for top in (60, 115, 170):
                self.assertTrue(near(picker.pixel(image, 740, top + 10), (100, 100, 100), 8), top)

    def test_hover_and_pick(self):
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen)
            picker.move(530, 240)
            image = picker.settled_shot("hover-530-240", lambda im: near(picker.pixel(im, 495, 205), SWATCHES[0]))
            # The 80 by 80 enlarged square from (490, 200), outlined in white.
            self.assertTrue(near(picker.pixel(image, 491, 201), SWATCHES[0]))
            self.assertTrue(near(picker.pixel(image, 568, 278), SWATCHES[0]))
            for x, y in [(490, 240), (569, 240), (530, 200), (530, 279)]:
                self.assertEqual(picker.pixel(image, x, y), WHITE, (x, y))
            self.assertEqual(picker.pixel(image, 489, 240), BLACK)  # the preview beside it
            self.assertEqual(picker.pixel(image, 250, 250), BLACK)  # nothing picked yet

            # White (255, 255, 255) first, to learn how "255" looks on each line.
            picker.click(*swatch_centre(35))
            picker.park_pointer()
            white = picker.settled_shot("picked-white", lambda im: near(picker.pixel(im, 250, 250), WHITE))
            red_255 = readout_pixels(picker, white, "red")

            picker.click(530, 240)
            picker.park_pointer()
            image = picker.settled_shot("picked-1", lambda im: near(picker.pixel(im, 250, 250), (255, 128, 128)))
            self.assertTrue(near(picker.pixel(image, 250, 250), (255, 128, 128)))
            self.assertEqual(readout_pixels(picker, image, "red"), red_255)
            self.assertNotEqual(readout_pixels(picker, image, "green"), readout_pixels(picker, white, "green"))

    def test_scroll_bar_drag_and_track_click(self):
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen)
            picker.drag(552, 70, 790, 70)
            picker.park_pointer()
            image = picker.settled_shot("red-dragged", lambda im: near(picker.pixel(im, 250, 250), (255, 0, 0)))
            self.assertTrue(near(picker.pixel(image, 250, 250), (255, 0, 0)))
            picker.click(551, 70)
            picker.park_pointer()
            image = picker.settled_shot("red-track-left", lambda im: picker.pixel(im, 250, 250) == BLACK)
            self.assertEqual(picker.pixel(image, 250, 250), BLACK)

    def test_copy_box_and_clipboard_outlive_the_picker(self):
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen)
            picker.click(530, 240)
            picker.park_pointer()
            picker.settled_shot("before-copy", lambda im: near(picker.pixel(im, 250, 250), (255, 128, 128)))
            picker.click(585, 575)
            boxes = wait_until(picker.boxes, 10)
            self.assertEqual(len(boxes), 1)
            self.assertEqual(window_name(screen, boxes[0]), "复制颜色")
            screen.screenshot("copy-box")
            self.assertTrue(press_return_on_box(picker, boxes[0]))
            clipboard = lambda: subprocess.run(
                ["xclip", "-o", "-selection", "clipboard"], env=screen.env(),
                capture_output=True, text=True, timeout=5).stdout
            self.assertEqual(clipboard(), "8080FFFF")
            picker.click(740, 575)
            self.assertEqual(picker.wait_exit(), 0)
            try:
                self.assertEqual(wait_until(lambda: clipboard() == "8080FFFF", 5) and clipboard(), "8080FFFF")
            finally:
                end_keepers(screen.display)

    def test_learn_more_hands_the_page_to_the_opener_every_time(self):
        stand_in = tempfile.mkdtemp(prefix="vorhel-opener-")
        self.addCleanup(shutil.rmtree, stand_in, True)
        record = os.path.join(stand_in, "opened.txt")
        write_opener(stand_in, record)
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen, path_prefix=stand_in)
            for count in (1, 2):
                picker.click(80, 575)
                picker.park_pointer()
                self.assertTrue(wait_until(lambda: len(read_text(record).splitlines()) == count, 10))
            page = os.path.join(picker.directory, "engine.html")
            self.assertEqual(read_text(record).splitlines(), [page, page])
            self.assertIsNone(picker.process.poll())

    def test_the_opener_gets_the_environment_the_picker_was_given(self):
        # The picker changes its environment for a moment while it starts;
        # what it starts later must see the user's, set or not.
        stand_in = tempfile.mkdtemp(prefix="vorhel-opener-")
        self.addCleanup(shutil.rmtree, stand_in, True)
        record = os.path.join(stand_in, "seen.txt")
        with open(os.path.join(stand_in, "xdg-open"), "w") as script:
            script.write(f'#!/bin/sh\nprintf "%s\\n" "${{XCOMPOSEFILE-unset}}" >> "{record}"\n')
        os.chmod(os.path.join(stand_in, "xdg-open"), 0o755)
        with VirtualScreen(1920, 1080) as screen, mock.patch.dict(os.environ):
            os.environ.pop("XCOMPOSEFILE", None)
            for given, count in (("/home/someone/.XCompose", 1), (None, 2)):
                extra = {"XCOMPOSEFILE": given} if given else {}
                picker = self.start(screen, path_prefix=stand_in, extra_env=extra)
                picker.click(80, 575)
                self.assertTrue(wait_until(lambda: len(read_text(record).splitlines()) == count, 10))
                picker.close()
            self.assertEqual(read_text(record).splitlines(), ["/home/someone/.XCompose", "unset"])

    def test_close_button_and_escape_end_with_zero(self):
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen)
            picker.click(740, 575)
            self.assertEqual(picker.wait_exit(), 0)
            picker = self.start(screen)
            xdotool(screen, "keydown", "--window", picker.window, "Escape")
            xdotool(screen, "keyup", "Escape")
            self.assertEqual(picker.wait_exit(), 0)

    def test_window_manager_close_box_no_maximize_no_resize(self):
        with VirtualScreen(1920, 1080, window_manager=True) as screen:
            picker = self.start(screen)
            actions = subprocess.run(["xprop", "-id", str(picker.window), "_NET_WM_ALLOWED_ACTIONS"],
                                     env=screen.env(), capture_output=True, text=True).stdout
            self.assertIn("_NET_WM_ACTION_CLOSE", actions)
            self.assertIn("_NET_WM_ACTION_MINIMIZE", actions)
            self.assertIn("_NET_WM_ACTION_MOVE", actions)
            for absent in ("MAXIMIZE_HORZ", "MAXIMIZE_VERT", "_NET_WM_ACTION_RESIZE"):
                self.assertNotIn(absent, actions)
            x, y, width, height = window_geometry(screen, picker.window)
            self.assertEqual((width, height), (800, 600))
            screen.screenshot("window-manager")
            # The close box sits at the right end of the title bar.
            extents = subprocess.run(["xprop", "-id", str(picker.window), "_NET_FRAME_EXTENTS"],
                                     env=screen.env(), capture_output=True, text=True).stdout
            left, right, top, bottom = [int(v) for v in extents.split("=")[1].split(",")]
            xdotool(screen, "mousemove", x + width + right - 2 - top // 2, y - top // 2)
            xdotool(screen, "click", 1)
            self.assertEqual(picker.wait_exit(), 0)

    def test_missing_engine_shows_a_readable_fatal_box(self):
        with VirtualScreen(1920, 1080) as screen:
            picker = Picker(screen, engine_dir=None)
            self.addCleanup(picker.close)
            boxes = wait_until(lambda: [w for w in window_ids_of(picker.process.pid, screen.env())
                                        if is_viewable(screen, w)], 15)
            self.assertEqual(len(boxes), 1)
            box = boxes[0]
            image = screen.screenshot("fatal-box")
            bx, by, bw, bh = window_geometry(screen, box)
            pixels = [image.pixel(x, y) for x in range(bx, bx + bw) for y in range(by, by + bh)]
            self.assertGreater(sum(1 for p in pixels if p[0] > 160 and p[1] < 90 and p[2] < 90), 50)  # error icon
            self.assertGreater(sum(1 for p in pixels if max(p) < 110), 200)  # text
            self.assertTrue(press_return_on_box(picker, box))
            self.assertEqual(picker.wait_exit(), 255)


def end_keepers(display):
    """Ends clipboard keepers that serve this test's display."""
    for pid in subprocess.run(["pgrep", "-x", "vorhel-clipboar"], capture_output=True,
                              text=True).stdout.split():
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if f"DISPLAY={display}".encode() in environ:
            subprocess.run(["kill", pid])


if __name__ == "__main__":
    unittest.main()
