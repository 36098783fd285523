"""A whole session, traced exactly: hover, pick, drag a bar, press Enter,
copy, close."""

import os
import unittest

from program_model import (FONT_LINE, copy_click_lines, creation_line, frame_routine_lines, panel_lines,
                           render_lines)
from recorded_run import RecordedRun, box, call_line, f32

SESSION = """
frames 20
frame 1 mouse 530 240     # over entry 1, button up
frame 2 key 1 1           # button down: entry 1 is picked
frame 3 key 1 0
frame 3 mouse 100 100     # over the preview
frame 4 value 104 200.5   # the user drags the green bar
frame 5 value 104 64.25
frame 5 keyup 13 1        # Enter released: nothing follows
frame 6 keyup 13 0
frame 6 click 109         # copy
frame 7 hold              # the clipboard is read from outside
frame 8 click 100         # close
"""


class SessionTest(unittest.TestCase):

    def test_session(self):
        with RecordedRun(SESSION) as run:
            run.start()
            run.wait_for_hold(7)
            clipboard = run.clipboard()
            run.release(7)
            run.wait()
        trace = run.trace
        window = trace.calls("System_CreateKV2D")[0].args[1]
        routines = trace.routines()
        on_frame, = routines["System_SetFrameFunction"]
        on_render, = routines["System_SetRenderFunction"]

        expected = ([creation_line(window, run.program_file_bytes("debug.txt"), 1), FONT_LINE]
                    + panel_lines(*routines["GUI_SetEvenReceiver"])
                    + [call_line("System_SetFrameFunction", on_frame),
                       call_line("System_SetRenderFunction", on_render), "System_KV2DRun"])
        values = {}
        mouse, key = (530, 240), 0

        def frame(number, clicks=(), key_up=0, extra=()):
            nonlocal values
            pass_lines, values = render_lines(values, mouse, key)
            return [f"frame {number}", *extra] + frame_routine_lines(clicks, key_up) + pass_lines

        expected += frame(1)
        key = 1
        expected += frame(2)
        self.assertEqual({102: 255.0, 104: 128.0, 106: 128.0}, values, "entry 1 picked")
        key, mouse = 0, (100, 100)
        expected += frame(3)
        values[104] = f32(200.5)
        expected += frame(4)
        values[104] = 64.25
        expected += frame(5, key_up=1)
        expected += frame(6, clicks=[copy_click_lines(values)])
        expected += frame(7, extra=["hold 7"])
        expected += ["frame 8", "enter frame", call_line("InputWin32_KeyUp", 13, result=0), "GUI_OnEven",
                     "enter click 100", "System_KV2DStop"]

        self.assertEqual(expected, [line for line in trace.lines if not line.startswith("window ")])
        # Red 255, green 64, blue 128 under the recording engine's packing.
        self.assertEqual(b"FF80FF40", clipboard)
        self.assertEqual([box(64, "复制颜色", "已复制到剪贴板！")], run.log.boxes)
        self.assertEqual([1], run.log.exit_routines)
        self.assertEqual(0, run.returncode)


if __name__ == "__main__":
    unittest.main()
