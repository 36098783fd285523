"""Three minutes of the real picker with our engine under a private Xvfb,
driven at random through xdotool: pointer moves all over the screen, clicks
on swatches, drags on the scroll bars, and the copy button, its box
dismissed each time. The picker must keep working, and its peak resident
memory must grow by no more than 1 MiB after the warm-up.

The warm-up is the first sixth of the run: every readout value is shown
once, so that the engine's bounded cache of rendered texts fills, and then
the picker is used at random as in the rest of the run.
VORHEL_SOAK_SECONDS sets the length of the run."""

import os
import time
import unittest

from citizen_support import MEMORY_GROWTH_LIMIT_KIB, MemorySampler, memory_kib, seeded_random
from picker_session import Picker, press_return_on_box, xdotool
from vorhel_testing import VirtualScreen, wait_until

SECONDS = float(os.environ.get("VORHEL_SOAK_SECONDS", "180"))
WARM_UP_SECONDS = SECONDS / 6
BARS = (70, 125, 180)  # the middles of the red, green and blue bars
BAR_LEFT, BAR_RIGHT = 550, 750
COPY = (585, 575)
WHITE = (255, 255, 255)


def swatch_centre(number):
    column, row = divmod(number, 7)
    return 530 + 40 * column, 240 + 40 * row


class PickerSoak(unittest.TestCase):

    def test_three_minutes_of_random_use(self):
        rng = seeded_random(f"picker soak of {SECONDS:g} seconds")
        # A window manager, as on a desktop: it gives each box the focus.
        with VirtualScreen(1920, 1080, window_manager=True) as screen:
            picker = Picker(screen)
            self.addCleanup(picker.close)
            picker.wait_for_window()
            done = {"moves": 0, "swatches": 0, "drags": 0, "copies": 0}

            def move():
                where = rng.random()
                if where < 0.6:
                    picker.move(rng.randrange(800), rng.randrange(600))
                elif where < 0.85:
                    picker.move(rng.randrange(480, 800), rng.randrange(190, 520))
                else:  # anywhere on the screen, mostly outside the window
                    xdotool(screen, "mousemove", rng.randrange(1920), rng.randrange(1080))
                done["moves"] += 1

            def swatch():
                picker.click(*swatch_centre(rng.randrange(49)))
                done["swatches"] += 1

            def drag():
                y = rng.choice(BARS)
                x0, x1 = rng.randrange(BAR_LEFT, BAR_RIGHT), rng.randrange(BAR_LEFT - 60, BAR_RIGHT + 60)
                picker.drag(x0, y, x1, y + rng.randrange(-30, 31), steps=rng.randrange(2, 12))
                done["drags"] += 1

            def copy():
                picker.click(*COPY)
                boxes = wait_until(picker.boxes, 20)
                self.assertEqual(1, len(boxes), f"the copy box did not show; the last actions: {history[-6:]}")
                self.assertTrue(press_return_on_box(picker, boxes[0]), "the copy box stayed")
                done["copies"] += 1

            actions = [move] * 8 + [swatch] * 4 + [drag] * 4 + [copy] * 2
            history = []

            def random_action():
                action = rng.choice(actions)
                history.append(action.__name__)
                action()
                self.assertIsNone(picker.process.poll(), "the picker ended")

            start = time.monotonic()

            # The warm-up: every value of each bar shown once (stepped down
            # from the top with the keyboard), which fills the engine's bounded
            # cache of rendered texts, then random use for a while.
            for _ in BARS:
                xdotool(screen, "key", "--window", picker.window, "Tab", "End")
                xdotool(screen, "key", "--window", picker.window, "--delay", "15", *["Left"] * 255)
            for action in (move, swatch, drag, copy):
                action()
            while time.monotonic() - start < WARM_UP_SECONDS:
                random_action()
            warm = memory_kib(picker.process.pid)
            self.assertIsNotNone(warm, "the picker ended during the warm-up")
            warm_seconds = time.monotonic() - start

            with MemorySampler(picker.process.pid, interval=1.0) as sampler:
                while time.monotonic() - start < SECONDS:
                    random_action()
            end = memory_kib(picker.process.pid)

            # Still working: a pick shows, and close ends it with 0.
            picker.click(*swatch_centre(34))
            picker.park_pointer()
            image = picker.settled_shot("soak-after", lambda im: picker.pixel(im, 250, 250) == WHITE)
            self.assertEqual(WHITE, picker.pixel(image, 250, 250))
            picker.click(740, 575)
            self.assertEqual(0, picker.wait_exit())

        print(f"after {warm_seconds:.0f} s of warm-up: peak resident memory {warm[0]} KiB; "
              f"after {SECONDS:g} s: {end[0]} KiB (+{end[0] - warm[0]} KiB); {sampler.summary()}; done {done}",
              flush=True)
        self.assertLessEqual(end[0] - warm[0], MEMORY_GROWTH_LIMIT_KIB)


if __name__ == "__main__":
    unittest.main()
