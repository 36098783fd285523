"""The picker worked from the keyboard (and the wheel) alone, under a private
Xvfb: Tab to a control, a visible focus ring, the scroll bars moved by keys,
a button pressed with Space. The preview shows the colour exactly, so every
step is read back from it."""

import subprocess
import unittest

from picker_session import Picker, press_return_on_box, window_name, xdotool
from vorhel_testing import VirtualScreen, wait_until

BLACK, WHITE, RED = (0, 0, 0), (255, 255, 255), (255, 0, 0)


class Keyboard(unittest.TestCase):

    def test_tab_keys_space_and_the_wheel(self):
        # A window manager, as on a desktop: it gives the focus back to the
        # picker when the copy box closes.
        with VirtualScreen(1920, 1080, window_manager=True) as screen:
            picker = Picker(screen)
            self.addCleanup(picker.close)
            picker.wait_for_window()
            picker.park_pointer()

            def keys(*names):
                for name in names:
                    xdotool(screen, "key", "--window", picker.window, name)

            def preview_becomes(colour, name):
                image = picker.settled_shot(name, lambda im: picker.pixel(im, 250, 250) == colour)
                self.assertEqual(colour, picker.pixel(image, 250, 250), name)
                return image

            # Tab, Tab: the red bar has the focus, ringed in opaque white (its
            # track's colour) two pixels wide, one pixel outside it.
            keys("Tab", "Tab")
            image = picker.settled_shot("keyboard-focus", lambda im: picker.pixel(im, 650, 58) == WHITE)
            for x, y in [(547, 70), (548, 70), (751, 70), (752, 70), (650, 57), (650, 58), (650, 81), (650, 82)]:
                self.assertEqual(WHITE, picker.pixel(image, x, y), (x, y))
            for x, y in [(546, 70), (549, 70), (753, 70), (650, 56), (650, 59), (650, 83)]:
                self.assertEqual(BLACK, picker.pixel(image, x, y), (x, y))
            self.assertEqual(BLACK, picker.pixel(image, 650, 113))  # the green bar has no ring

            keys("End")
            preview_becomes((255, 0, 0), "key-end")
            keys("Left", "Left", "Down")
            preview_becomes((252, 0, 0), "key-left")
            keys("shift+Left", "Next")  # Shift+Left, Page Down
            preview_becomes((232, 0, 0), "key-shift-left-page-down")
            keys("Prior", "Right", "Up", "shift+Right")  # Page Up ...
            preview_becomes((254, 0, 0), "key-page-up-right-up")
            keys("Home")
            preview_becomes(BLACK, "key-home")

            # Shift+Tab goes back to close and round the end to copy; Tab,
            # Tab, Tab from there: close, red, green.
            keys("shift+Tab", "shift+Tab", "Tab", "Tab", "Tab")
            keys("Up", "Up", "Up")
            preview_becomes((0, 3, 0), "green-by-keys")

            # The wheel over the blue bar steps it by 1 each way.
            picker.move(650, 180)
            for button in (4, 4, 4, 5):
                xdotool(screen, "click", button)
            picker.park_pointer()
            preview_becomes((0, 3, 2), "blue-by-wheel")

            # Tab, Tab, Tab: blue, learn more, copy; Space presses it, and its
            # box says so; Return closes the box.
            keys("Tab", "Tab", "Tab", "space")
            boxes = wait_until(picker.boxes, 10)
            self.assertEqual(1, len(boxes))
            self.assertEqual("复制颜色", window_name(screen, boxes[0]))
            self.assertTrue(press_return_on_box(picker, boxes[0]))
            clipboard = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=screen.env(),
                                       capture_output=True, text=True, timeout=10).stdout
            self.assertEqual("020300FF", clipboard)

            # On round the end to close; Space ends the picker.
            keys("Tab", "space")
            self.assertEqual(0, picker.wait_exit())


if __name__ == "__main__":
    unittest.main()
