"""The picker on a HiDPI screen: a 3840 by 2160 Xvfb whose X resources say
Xft.dpi: 192, that is, a desktop scale of 2. The window is 1600 by 1200
device pixels, centred by that size; everything in it is drawn at twice the
size, crisp, text rendered at its device size rather than enlarged; and the
program still sees its 800 by 600 drawing space and mouse coordinates."""

import os
import subprocess
import unittest

from picker_session import Picker, window_geometry, xdotool
from vorhel_testing import VirtualScreen

BLACK, WHITE, RED = (0, 0, 0), (255, 255, 255), (255, 0, 0)
FIRST_SWATCH = (255, 128, 128)


def is_yellow(p):
    return p[0] > 150 and p[1] > 150 and p[2] < 90


class HiDpi(unittest.TestCase):

    def test_scale_two(self):
        with VirtualScreen(3840, 2160) as screen:
            subprocess.run(["xrdb", "-merge"], input="Xft.dpi: 192\n", text=True, env=screen.env(), check=True)
            picker = Picker(screen, scale=2)
            self.addCleanup(picker.close)
            picker.wait_for_window()
            picker.park_pointer()
            self.assertEqual((1120, 480, 1600, 1200), window_geometry(screen, picker.window))
            with open(os.path.join(picker.directory, "debug.txt"), encoding="utf-8") as file:
                log = file.read()
            self.assertIn("800x600 drawing pixels at scale 2", log)

            image = picker.settled_shot("hidpi-scale-2", lambda im: picker.pixel(im, 530, 240) == FIRST_SWATCH)
            device = lambda x, y: image.pixel(1120 + x, 480 + y)
            # The preview's outline (drawing pixel 15) is exactly two device
            # pixels wide, its fill begins at 32.
            for x, colour in [(29, BLACK), (30, WHITE), (31, WHITE), (32, BLACK)]:
                self.assertEqual(colour, device(x, 500), x)
            # The swatch grid: between columns 1 and 2 the outlines of both
            # (drawing pixels 549 and 550) cover device pixels 1098 to 1101.
            for x, colour in [(1097, FIRST_SWATCH), (1098, WHITE), (1101, WHITE), (1102, (255, 255, 128))]:
                self.assertEqual(colour, device(x, 470), x)

            # The red readout (drawing 550,30): its text is about 32 device
            # pixels high, and rendered at that size: an enlarged 16-pixel
            # text would be made of whole 2 by 2 blocks.
            box = [(x, y) for y in range(56, 110) for x in range(1096, 1400)]
            ink_rows = {y for x, y in box if is_yellow(device(x, y))}
            self.assertGreaterEqual(max(ink_rows) - min(ink_rows) + 1, 24)
            blocks = [(x, y) for x in range(1096, 1400, 2) for y in range(56, 110, 2)]
            uneven = sum(1 for x, y in blocks
                         if len({device(x, y), device(x + 1, y), device(x, y + 1), device(x + 1, y + 1)}) > 1)
            self.assertGreater(uneven, 40)

            # The mouse at drawing pixel (530, 240): the hover square of
            # swatch 1, 80 by 80 drawing pixels from (490, 200), outlined.
            picker.move(530, 240)
            image = picker.settled_shot("hidpi-hover", lambda im: picker.pixel(im, 495, 205) == FIRST_SWATCH)
            device = lambda x, y: image.pixel(1120 + x, 480 + y)
            for x, colour in [(979, BLACK), (980, WHITE), (981, WHITE), (982, FIRST_SWATCH)]:
                self.assertEqual(colour, device(x, 480), x)
            self.assertEqual(FIRST_SWATCH, device(1137, 557))
            self.assertEqual(WHITE, device(1138, 558))

            # A click picks it.
            picker.click(530, 240)
            picker.park_pointer()
            image = picker.settled_shot("hidpi-picked", lambda im: picker.pixel(im, 250, 250) == FIRST_SWATCH)
            self.assertEqual(FIRST_SWATCH, picker.pixel(image, 250, 250))

            # The keyboard focus ring, at twice the size: around the close
            # button (drawing 690..790), red, device 1374..1377 across.
            xdotool(screen, "key", "--window", picker.window, "Tab")
            image = picker.settled_shot("hidpi-focus", lambda im: picker.pixel(im, 687, 575) == RED)
            device = lambda x, y: image.pixel(1120 + x, 480 + y)
            for x in range(1374, 1378):
                self.assertEqual(RED, device(x, 1150), x)
            self.assertNotEqual(RED, device(1373, 1150))
            self.assertNotEqual(RED, device(1378, 1150))

            picker.click(740, 575)
            self.assertEqual(0, picker.wait_exit())


if __name__ == "__main__":
    unittest.main()
