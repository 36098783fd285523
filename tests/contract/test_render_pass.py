"""The frame routine and the render pass: layers, readouts, preview, palette,
grid, and how channel values become integers."""

import unittest

from program_model import (CHANNELS, INT32_MAX, INT32_MIN, SWATCHES, frame_routine_lines, pack, readout_text,
                           render_lines)
from recorded_run import RecordedRun, f32


def script(*lines):
    return "\n".join(lines)


def value_lines(frame, red, green, blue):
    return [f"frame {frame} value {id} {value}" for id, value in zip(CHANNELS, (red, green, blue))]


class RenderPassTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        with RecordedRun(script("frames 1", *value_lines(1, "127.9", "0.0", "255.0"))) as run:
            run.wait()
        cls.recorded, cls.trace = run, run.trace

    def test_pass_is_exactly_the_layers_in_order(self):
        values = {102: f32(127.9), 104: 0.0, 106: 255.0}
        self.assertEqual(frame_routine_lines(), self.trace.lines_of(frame=1, inside="frame"))
        self.assertEqual(render_lines(values)[0], self.trace.lines_of(frame=1, inside="render"))

    def test_layers_and_counts_read_like_the_tables(self):
        names = self.trace.names(frame=1, inside="render")
        self.assertEqual(["Tool_ARGB", "Render_Clear", "Render_BeginScene"], names[:3])
        self.assertEqual("Render_EndScene", names[-1])
        layers = [names.index(n) for n in ("Render_RenderFont", "GUI_RenderAll", "Render_Draw2DQuad",
                                            "InputWin32_GetMousePos", "Render_EndScene")]
        self.assertEqual(sorted(layers), layers)
        self.assertEqual(6, names.count("GUI_GetGUIObjFloatValue"), "3 for the readouts, 3 for the preview")
        self.assertEqual(["InputWin32_KeyUp", "GUI_OnEven", "Media_MediaOnEvent"],
                         self.trace.names(frame=1, inside="frame"))
        self.assertEqual(13, self.trace.calls("InputWin32_KeyUp")[0].args[0])

        # Preview and palette: 3 reads, then 50 packings each followed at once by its quad.
        calls = self.trace.calls(frame=1, inside="render")
        start = names.index("GUI_RenderAll") + 1
        self.assertEqual(["GUI_GetGUIObjFloatValue"] * 3, names[start:start + 3])
        palette = calls[start + 3:start + 3 + 100]
        for packing, drawing in zip(palette[0::2], palette[1::2]):
            self.assertEqual(("Tool_ARGB", "Render_Draw2DQuad"), (packing.name, drawing.name))
            self.assertEqual((packing.result,) * 4, drawing.args[4:8])

        # The preview quad and a few rows of the table, all 15 arguments.
        preview = pack(255, 127, 0, 255)
        red, light_yellow, black, white, last = (pack(255, *SWATCHES[n - 1].colour) for n in (2, 8, 6, 35, 49))
        self.assertEqual((16, 16, 499, 499, preview, preview, preview, preview, 0, 0, 0, 0, 0, 1, 0),
                         palette[1].args)
        self.assertEqual((255, 255, 0, 0), palette[4].args, "row 2: opaque red")
        self.assertEqual((510, 260, 550, 300, red, red, red, red, 0, 0, 0, 0, 0, 1, 0), palette[5].args)
        self.assertEqual((255, 255, 255, 128), palette[16].args, "row 8")
        self.assertEqual((550, 220, 590, 260) + (light_yellow,) * 4 + (0, 0, 0, 0, 0, 1, 0), palette[17].args)
        self.assertEqual((255, 0, 0, 0), palette[12].args, "row 6: opaque black")
        self.assertEqual((255, 255, 255, 255), palette[70].args, "row 35: opaque white")
        self.assertEqual((750, 460, 790, 500) + (last,) * 4 + (0, 0, 0, 0, 0, 1, 0), palette[99].args)

        # Outlines: the preview's, then the grid row by row; one mouse query.
        outlines = calls[start + 103:]
        self.assertEqual(["Tool_ARGB"] * 4 + ["Render_Draw2DQuad"], [c.name for c in outlines[:5]])
        self.assertEqual((15, 15, 500, 500) + (pack(255, 255, 255, 255),) * 4 + (0,) * 7, outlines[4].args)
        self.assertEqual((550, 220, 590, 260), outlines[14].args[:4], "second cell of the first row")
        self.assertEqual((510, 260, 550, 300), outlines[44].args[:4], "first cell of the second row")
        self.assertEqual(1, names.count("InputWin32_GetMousePos"))
        self.assertEqual(0, names.count("InputWin32_GetTheKeyState"), "nothing under an unwritten mouse")

    def test_readout_texts_byte_for_byte(self):
        fonts = self.trace.calls("Render_RenderFont", frame=1)
        colour = pack(255, 255, 255, 0)
        self.assertEqual([("红色（127）".encode("gbk"), 550, 30, colour, 1, 100),
                          ("绿色（0）".encode("gbk"), 550, 85, colour, 1, 100),
                          ("蓝色（255）".encode("gbk"), 550, 140, colour, 1, 100)],
                         [f.args for f in fonts])

    def test_frame_and_render_routines_return_one(self):
        self.assertIn("leave frame -> 1", self.trace.lines)
        self.assertIn("leave render -> 1", self.trace.lines)


class ChannelValuesTest(unittest.TestCase):
    # scripted value -> the integer the program must use
    CASES = [("127.9", 127), ("0.0", 0), ("255.0", 255), ("254.99", 254), ("0.99", 0), ("-0.5", 0),
             ("-1.5", -1), ("nan", 0), ("inf", INT32_MAX), ("-inf", INT32_MIN), ("3e9", INT32_MAX),
             ("-3e9", INT32_MIN)]

    def test_values_are_truncated_and_saturated_in_readouts_and_preview(self):
        frames = [self.CASES[i:i + 3] for i in range(0, len(self.CASES), 3)]
        lines = [f"frames {len(frames)}"]
        for number, group in enumerate(frames, start=1):
            lines += value_lines(number, *(text for text, _ in group))
        with RecordedRun(script(*lines)) as run:
            run.wait()
        trace = run.trace
        self.assertEqual(0, run.returncode)
        for number, group in enumerate(frames, start=1):
            expected = [n for _, n in group]
            with self.subTest(values=[text for text, _ in group]):
                fonts = trace.calls("Render_RenderFont", frame=number)
                prefixes = ("红色（", "绿色（", "蓝色（")
                self.assertEqual([readout_text(p, n) for p, n in zip(prefixes, expected)],
                                 [f.args[0] for f in fonts])
                calls = trace.calls(frame=number, inside="render")
                after_gui = [c.name for c in calls].index("GUI_RenderAll")
                self.assertEqual((255, *expected), calls[after_gui + 4].args, "the preview's packing")


class PaletteTest(unittest.TestCase):

    def test_every_list_entry_by_hovering_and_picking_it(self):
        # Frame n hovers the centre of swatch n with the button down; what it
        # picks shows in the readouts and the preview of frame n + 1.
        lines = [f"frames {len(SWATCHES) + 1}", "frame 1 key 1 1"]
        for s in SWATCHES:
            lines.append(f"frame {s.number} mouse {s.left + 20} {s.top + 20}")
        lines.append(f"frame {len(SWATCHES) + 1} mouse none")
        with RecordedRun(script(*lines)) as run:
            run.wait()
        trace = run.trace
        values = {}
        for s in SWATCHES:
            with self.subTest(swatch=s.number):
                expected, values = render_lines(values, (s.left + 20, s.top + 20), 1)
                self.assertEqual(expected, trace.lines_of(frame=s.number, inside="render"))
        self.assertEqual(render_lines(values)[0], trace.lines_of(frame=len(SWATCHES) + 1, inside="render"))

    def test_the_list_stays_at_49_entries_over_a_long_run(self):
        frames = 400
        # On the corner of entries 1, 2, 8 and 9: four hits a pass, however many passes.
        with RecordedRun(script(f"frames {frames}", "frame 1 mouse 550 260"), trace=False, counts=True) as run:
            run.wait()
        counts = run.call_counts()
        self.assertEqual(frames, counts["frames"])
        per_pass = {"Tool_ARGB": 1 + 3 + 50 + 4 + 196 + 4 * 4, "Render_Draw2DQuad": 50 + 1 + 49 + 4 * 2,
                    "InputWin32_GetTheKeyState": 4, "GUI_GetGUIObjFloatValue": 6, "Render_RenderFont": 3,
                    "InputWin32_GetMousePos": 1, "GUI_OnEven": 1, "Tool_GetR": 0, "GUI_SetGUIObjValue_Float": 0}
        panel = {"Tool_ARGB": 17}  # the colours of the seven controls, packed once
        for name, number in per_pass.items():
            self.assertEqual(number * frames + panel.get(name, 0), counts[name], name)
        self.assertEqual(1, counts["System_KV2DStop"])


if __name__ == "__main__":
    unittest.main()
