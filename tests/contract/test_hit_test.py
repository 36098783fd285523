"""The hover highlight and the pick: which swatches the mouse is over, the
key-state queries, and the values the bars end with, shown in the next pass."""

import unittest

from program_model import CHANNELS, SWATCHES, pack, readout_text
from recorded_run import RecordedRun

START = 7.0  # the bars' value before each case, so that a write shows
NO_PICK = (7, 7, 7)

# mouse, key state -> swatches hovered (list order), bars afterwards
CASES = [
    ((530, 240), 1, [1], (255, 128, 128)),
    ((550, 240), 1, [1, 8], (255, 255, 128)),
    ((530, 260), 1, [1, 2], (255, 0, 0)),
    ((550, 260), 1, [1, 2, 8, 9], (255, 255, 0)),
    ((790, 500), 1, [49], (192, 0, 192)),
    ((510, 220), 1, [1], (255, 128, 128)),
    ((509.5, 240), 1, [], NO_PICK),
    ((790.5, 240), 1, [], NO_PICK),
    ((505, 240), 1, [], NO_PICK),   # inside entry 1's hover square, outside the swatch
    ((650, 501), 1, [], NO_PICK),
    (None, 1, [], NO_PICK),         # the engine leaves the place unwritten
    ((530, 240), 0, [1], NO_PICK),
    ((530, 240), 2, [1], NO_PICK),
    ((550, 260), 2, [1, 2, 8, 9], NO_PICK),
]


def square_of(quad):
    left, top, right, bottom = quad.args[:4]
    for s in SWATCHES:
        if s.hover_square == (left, top, right, bottom):
            return s
    return None


class HitTestTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        # Case n runs in frame 2n - 1 from fresh values; frame 2n, with the
        # mouse away, shows what the case left in the bars.
        lines = [f"frames {2 * len(CASES)}"]
        for n, (mouse, key, _, _) in enumerate(CASES, start=1):
            frame = 2 * n - 1
            lines += [f"frame {frame} value {id} {START}" for id in CHANNELS]
            lines.append(f"frame {frame} mouse " + ("none" if mouse is None else f"{mouse[0]} {mouse[1]}"))
            lines.append(f"frame {frame} key 1 {key}")
            lines.append(f"frame {frame + 1} mouse none")
        with RecordedRun("\n".join(lines)) as run:
            run.wait()
        cls.recorded, cls.trace = run, run.trace

    def test_cases(self):
        self.assertEqual(0, self.recorded.returncode)
        for n, (mouse, key, hovered, after) in enumerate(CASES, start=1):
            frame = 2 * n - 1
            with self.subTest(mouse=mouse, key=key):
                calls = self.trace.calls(frame=frame, inside="render")
                quads = [c for c in calls if c.name == "Render_Draw2DQuad" and c.args[14] == 2]
                fills, outlines = quads[0::2], quads[1::2]
                self.assertEqual(hovered, [square_of(q).number for q in fills])
                for fill, outline, number in zip(fills, outlines, hovered):
                    colour = pack(255, *SWATCHES[number - 1].colour)
                    self.assertEqual((colour,) * 4 + (0, 0, 0, 0, 0, 1, 2), fill.args[4:])
                    self.assertEqual(fill.args[:4], outline.args[:4])
                    self.assertEqual((pack(255, 255, 255, 255),) * 4 + (0, 0, 0, 0, 0, 0, 2), outline.args[4:])
                queries = [c for c in calls if c.name == "InputWin32_GetTheKeyState"]
                self.assertEqual([(1,)] * len(hovered), [q.args for q in queries])

                writes = [c.args for c in calls if c.name == "GUI_SetGUIObjValue_Float"]
                picked = [SWATCHES[h - 1].colour for h in hovered] if key == 1 else []
                self.assertEqual([(id, 7, float(v)) for colour in picked for id, v in zip(CHANNELS, colour)],
                                 writes)

                shown = self.trace.calls("Render_RenderFont", frame=frame + 1)
                self.assertEqual([readout_text(p, v) for p, v in zip(("红色（", "绿色（", "蓝色（"), after)],
                                 [f.args[0] for f in shown], "the next pass shows the bars")
                preview = self.trace.calls("Tool_ARGB", frame=frame + 1, inside="render")[4]
                self.assertEqual((255, *after), preview.args)

    def test_a_pick_takes_the_channels_the_engine_unpacks(self):
        # Entry 1 under the mouse with the button down: its own packed colour
        # goes to Tool_GetR, Tool_GetG and Tool_GetB, in that order.
        calls = self.trace.calls(frame=1, inside="render")
        names = [c.name for c in calls]
        at = names.index("Tool_GetR")
        colour = pack(255, 255, 128, 128)
        self.assertEqual([("Tool_GetR", (colour,)), ("Tool_GetG", (colour,)), ("Tool_GetB", (colour,))],
                         [(c.name, c.args) for c in calls[at:at + 3]])
        self.assertEqual([255, 128, 128], [c.result for c in calls[at:at + 3]])


if __name__ == "__main__":
    unittest.main()
