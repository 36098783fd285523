"""Hours of use in a minute: the real program (its test build) against the
recording engine in its count-only mode, for a long run of random input:
pointer positions (NaN and far outside the window among them), the left
button's state, Enter, values written into the scroll bars, and clicks on
every control but close. Boxes are answered at once through the test build's
seam; the opener is a stand-in that notes what it was given.

VORHEL_SOAK_FRAMES sets the length (the sanitizer build runs a shorter one);
VORHEL_SOAK_MEMORY=1 also checks that the peak resident memory grows by no
more than 1 MiB after the first 1,000 frames (not in a sanitizer build, whose
allocator keeps freed memory in quarantine)."""

import math
import os
import shutil
import tempfile
import unittest

from program_model import BUTTON_COPY, BUTTON_LEARN_MORE, hits
from recorded_run import RecordedRun, box
from citizen_support import MEMORY_GROWTH_LIMIT_KIB, MemorySampler, memory_kib, seeded_random
from vorhel_testing import wait_until, write_opener

FRAMES = int(os.environ.get("VORHEL_SOAK_FRAMES", "100000"))
CHECK_MEMORY = os.environ.get("VORHEL_SOAK_MEMORY") == "1"
WARM_UP = 1000
# Every control but close: the three bars, the hint label, learn more, copy.
CLICKED = (102, 104, 106, 107, BUTTON_LEARN_MORE, BUTTON_COPY)
# A guard against a hung run, never a measure of anything.
GUARD = 1800

FAR = ("-1e30", "1e30", "-3e9", "3e9", "inf", "-inf", "-801", "5000", "1e-45")


def eighths(rng, low, high):
    """A coordinate that is exact as a 32-bit float, so the program and this
    test agree on every hit."""
    return rng.randrange(low * 8, high * 8 + 1) / 8


def random_pointer(rng):
    """(x, y) words for the script, or None for "mouse none"."""
    r = rng.random()
    if r < 0.5:
        return str(eighths(rng, 0, 800)), str(eighths(rng, 0, 600))
    if r < 0.75:  # on and around the palette
        return str(eighths(rng, 480, 820)), str(eighths(rng, 190, 530))
    if r < 0.82:  # exactly on a corner where swatches meet
        return str(510 + 40 * rng.randrange(8)), str(220 + 40 * rng.randrange(8))
    if r < 0.9:
        return rng.choice(FAR), rng.choice(FAR + ("300",))
    if r < 0.97:
        return rng.choice([("nan", "nan"), ("nan", "240"), ("530", "nan")])
    return None


def random_value(rng):
    return rng.choice([str(eighths(rng, 0, 255))] * 6 + ["nan", "inf", "-inf", "3e9", "-1", "255.875", "1e-45"])


def soak_script(rng, frames):
    """The script and what the program must have done: hits (hover squares
    drawn), picks (hits while the button was held), and clicks per control."""
    lines = [f"frames {frames}", f"frame {WARM_UP} hold", f"frame {frames} hold"]
    expected = {"hits": 0, "picks": 0, "clicks": {id: 0 for id in CLICKED}}
    mouse, key = None, 0
    for n in range(1, frames + 1):
        pointer = random_pointer(rng)
        if pointer is None:
            lines.append(f"frame {n} mouse none")
            mouse = None
        else:
            lines.append(f"frame {n} mouse {pointer[0]} {pointer[1]}")
            mouse = (float(pointer[0]), float(pointer[1]))
        if rng.random() < 0.2:
            key = 1 - key
            lines.append(f"frame {n} key 1 {key}")
        if rng.random() < 0.02:
            lines.append(f"frame {n} keyup 13 {rng.randrange(2)}")
        if rng.random() < 0.02:
            lines.append(f"frame {n} value {rng.choice((102, 104, 106))} {random_value(rng)}")
        if rng.random() < 0.01:
            clicked = rng.choice(CLICKED)
            lines.append(f"frame {n} click {clicked}")
            expected["clicks"][clicked] += 1
        under = len(hits(mouse))
        expected["hits"] += under
        expected["picks"] += under if key == 1 else 0
    return "\n".join(lines) + "\n", expected


class RecordedSoak(unittest.TestCase):

    def test_a_long_random_run(self):
        rng = seeded_random(f"recorded soak of {FRAMES} frames")
        script, expected = soak_script(rng, FRAMES)
        stand_in = tempfile.mkdtemp(prefix="vorhel-opener-")
        self.addCleanup(shutil.rmtree, stand_in, True)
        opened = os.path.join(stand_in, "opened")
        write_opener(stand_in, opened)

        with RecordedRun(script, trace=False, counts=True,
                         env={"PATH": stand_in + os.pathsep + os.environ["PATH"]}) as run:
            run.start()
            with MemorySampler(run.process.pid) as sampler:
                after_warm_up = self.peak_at_hold(run, WARM_UP)
                at_end = self.peak_at_hold(run, FRAMES)
            try:
                run.process.wait(GUARD)
            finally:
                run.wait()
            learn_more = expected["clicks"][BUTTON_LEARN_MORE]
            wait_until(lambda: self.lines(opened) == learn_more, 60)
            opener_calls = self.lines(opened)
        print(f"peak resident memory: {after_warm_up} KiB after {WARM_UP} frames, {at_end} KiB at frame "
              f"{FRAMES} (+{at_end - after_warm_up} KiB); {sampler.summary()}", flush=True)

        self.assertEqual(0, run.returncode, run.error_output[-3000:])
        for report in ("AddressSanitizer", "LeakSanitizer", "runtime error"):
            self.assertNotIn(report, run.error_output)
        counts = run.call_counts()
        passes = FRAMES
        copies = expected["clicks"][BUTTON_COPY]
        h, p = expected["hits"], expected["picks"]
        self.assertEqual(passes, counts["frames"])
        # Every pass draws the preview and the 49 swatches (50 palette quads)
        # and their 50 outlines, and a filled and an outlined hover square for
        # each swatch under the pointer.
        self.assertEqual(100 * passes + 2 * h, counts["Render_Draw2DQuad"])
        for name in ("Render_Clear", "Render_BeginScene", "GUI_RenderAll", "Render_EndScene", "GUI_OnEven",
                     "InputWin32_GetMousePos", "InputWin32_KeyUp", "Media_MediaOnEvent"):
            self.assertEqual(passes, counts[name], name)
        self.assertEqual(3 * passes, counts["Render_RenderFont"])
        self.assertEqual(h, counts["InputWin32_GetTheKeyState"])
        for name in ("Tool_GetR", "Tool_GetG", "Tool_GetB"):
            self.assertEqual(p, counts[name], name)
        self.assertEqual(3 * p, counts["GUI_SetGUIObjValue_Float"])
        self.assertEqual(6 * passes + 3 * copies, counts["GUI_GetGUIObjFloatValue"])
        self.assertEqual(17 + 254 * passes + 4 * h + copies, counts["Tool_ARGB"])
        for name in ("System_CreateKV2D", "System_KV2DRun", "System_KV2DStop"):
            self.assertEqual(1, counts[name], name)

        self.assertEqual([box(64, "复制颜色", "已复制到剪贴板！")] * copies, run.log.boxes)
        self.assertEqual([1], run.log.exit_routines)
        self.assertEqual(learn_more, opener_calls)
        if CHECK_MEMORY:
            self.assertLessEqual(at_end - after_warm_up, MEMORY_GROWTH_LIMIT_KIB)

    def peak_at_hold(self, run, frame):
        """The program's peak resident memory (KiB) while frame is held; then
        lets the frame go on."""
        def held():
            if run.process.poll() is not None:
                return True
            try:
                return run.call_counts().get("frames") == frame
            except ValueError:
                return False  # caught while the file was being written
        self.assertTrue(wait_until(held, GUARD, interval=0.2), f"frame {frame} was never held")
        memory = memory_kib(run.process.pid)
        self.assertIsNotNone(memory, f"the program ended before frame {frame}: {run.error_output[-3000:]}")
        run.release(frame)
        return memory[0]

    @staticmethod
    def lines(path):
        try:
            with open(path) as file:
                return len(file.read().splitlines())
        except FileNotFoundError:
            return 0


if __name__ == "__main__":
    unittest.main()
