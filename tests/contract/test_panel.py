"""The control panel: the seven creation calls and the three bindings, every
argument and the order, with each colour packed by the engine immediately
before the call that takes it."""

import unittest

from recorded_run import RecordedRun, Routine

RED, WHITE_100, GREEN, CLEAR = (255, 255, 0, 0), (100, 255, 255, 255), (255, 0, 255, 0), (0, 0, 0, 0)
K = "colour"  # a colour position: filled from the packings before the call


def gbk(text):
    return text.encode("gbk")


# (entry, colours packed before it in order, arguments with K where a colour goes)
PANEL = [
    ("GUI_AddButton", [RED, WHITE_100, GREEN],
     (100, 690.0, 560.0, 790.0, 590.0, 100, K, gbk("关闭"), 1, 0, 0, K, K) + (0,) * 10 + (-1,)),
    ("GUI_SetEvenReceiver", [], (100, 2, "OnCloseClicked", -1)),
    ("GUI_AddScrollBar", [WHITE_100, RED], (102, 550.0, 60.0, 750.0, 80.0, 0, K, K) + (0,) * 10 + (255.0, 0, 0, -1)),
    ("GUI_AddScrollBar", [WHITE_100, RED], (104, 550.0, 115.0, 750.0, 135.0, 0, K, K) + (0,) * 10 + (255.0, 0, 0, -1)),
    ("GUI_AddScrollBar", [WHITE_100, RED], (106, 550.0, 170.0, 750.0, 190.0, 0, K, K) + (0,) * 10 + (255.0, 0, 0, -1)),
    ("GUI_AddLabel", [RED, CLEAR],
     (107, 15.0, 520.0, 700.0, 550.0, 100, K, gbk("提示：左键单击[复制到剪贴板]将复制十六进制颜色值。"), 1, 0, 0, 0, 0, K, -1)),
    ("GUI_AddButton", [RED, WHITE_100, GREEN],
     (108, 15.0, 560.0, 150.0, 590.0, 100, K, gbk("了解 岚穹引擎！"), 1, 0, 0, K, K) + (0,) * 10 + (-1,)),
    ("GUI_SetEvenReceiver", [], (108, 2, "OnLearnMoreClicked", -1)),
    ("GUI_AddButton", [RED, WHITE_100, GREEN],
     (109, 520.0, 560.0, 650.0, 590.0, 100, K, gbk("复制到剪贴板"), 1, 0, 0, K, K) + (0,) * 10 + (-1,)),
    ("GUI_SetEvenReceiver", [], (109, 2, "OnCopyClicked", -1)),
]


class ControlPanelTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        with RecordedRun("frames 1") as run:
            run.wait()
        cls.calls = run.trace.calls(frame=0)

    def panel_calls(self):
        names = [c.name for c in self.calls]
        start = names.index("Resource_LoadFont") + 1
        end = names.index("System_SetFrameFunction")
        return self.calls[start:end]

    def test_every_argument_in_order_each_colour_packed_just_before(self):
        calls = self.panel_calls()
        handlers = {}
        at = 0
        for entry, colours, arguments in PANEL:
            with self.subTest(entry=entry, id=arguments[0]):
                packings = calls[at:at + len(colours)]
                self.assertEqual([("Tool_ARGB", c) for c in colours], [(p.name, p.args) for p in packings])
                call = calls[at + len(colours)]
                self.assertEqual(entry, call.name)
                results = iter(p.result for p in packings)
                expected = tuple(next(results) if a == K else a for a in arguments)
                if entry == "GUI_SetEvenReceiver":
                    self.assertIsInstance(call.args[2], Routine)
                    handlers[arguments[2]] = call.args[2]
                    expected = expected[:2] + (call.args[2],) + expected[3:]
                self.assertEqual(expected, call.args)
                at += len(colours) + 1
        self.assertEqual(at, len(calls), "nothing else between the font and the callbacks")
        self.assertEqual(3, len(set(handlers.values())), "three distinct handlers")

    def test_font_first_and_callbacks_after_the_last_control(self):
        names = [c.name for c in self.calls]
        self.assertEqual(["System_CreateKV2D", "Resource_LoadFont"], names[:2])
        self.assertEqual(["GUI_SetEvenReceiver", "System_SetFrameFunction", "System_SetRenderFunction",
                          "System_KV2DRun"], names[-4:])


if __name__ == "__main__":
    unittest.main()
