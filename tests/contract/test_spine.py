"""Start-up, the engine's creation on the main window, the order of the
lifecycle, the two ways of ending, and the window the engine is given."""

import os
import unittest

from program_model import (BUTTON_CLOSE, FONT_LINE, SCROLL_BLUE, SCROLL_GREEN, SCROLL_RED, TITLE, button_lines,
                           creation_line, frame_routine_lines, label_lines, panel_lines, receiver_line,
                           render_lines, scroll_bar_lines)
from recorded_run import (ENGINE_FILE, LACKING_RECORDER_DIR, RecordedRun, Routine, box, call_line,
                          engine_on_search_path)

ENGINE_FAILED = box(16, "初始化失败", "引擎初始化失败！")


def log_path_of(run):
    return run.program_file_bytes("debug.txt")


def without_windows(lines):
    return [line for line in lines if not line.startswith("window ")]


class LifecycleTest(unittest.TestCase):

    def test_a_whole_run_makes_exactly_these_calls_and_ends_in_order(self):
        with RecordedRun("frames 2") as run:
            run.wait()
        trace = run.trace
        created = trace.calls("System_CreateKV2D")[0]
        window = created.args[1]
        routines = trace.routines()
        on_frame, = routines["System_SetFrameFunction"]
        on_render, = routines["System_SetRenderFunction"]
        on_close, on_learn_more, on_copy = routines["GUI_SetEvenReceiver"]
        self.assertEqual(5, len({on_frame, on_render, on_close, on_learn_more, on_copy}),
                         "five distinct routines")
        self.assertTrue(all(isinstance(r, Routine) and r.address != 0
                            for r in (on_frame, on_render, on_close, on_learn_more, on_copy)))

        frame_pass = frame_routine_lines() + render_lines({})[0]
        expected = ([creation_line(window, log_path_of(run), 1), FONT_LINE]
                    + panel_lines(on_close, on_learn_more, on_copy)
                    + [call_line("System_SetFrameFunction", on_frame),
                       call_line("System_SetRenderFunction", on_render), "System_KV2DRun"]
                    + ["frame 1"] + frame_pass + ["frame 2"] + frame_pass
                    + ["System_KV2DStop"])
        self.assertEqual(expected, without_windows(trace.lines))
        self.assertEqual(2, len(trace.windows()), "window state at creation and at the run")
        self.assertEqual(0, run.returncode)
        self.assertEqual([1], run.log.exit_routines)
        self.assertEqual([], run.log.boxes)

    def test_creation_result_zero_shows_one_box_and_ends_orderly(self):
        with RecordedRun("create 0\nframes 3") as run:
            run.wait()
        trace = run.trace
        window = trace.calls("System_CreateKV2D")[0].args[1]
        self.assertEqual([creation_line(window, log_path_of(run), 0)], without_windows(trace.lines),
                         "no engine call after the failed creation")
        self.assertEqual([ENGINE_FAILED], run.log.boxes)
        self.assertEqual(0, run.returncode)
        self.assertEqual([1], run.log.exit_routines)

    def test_any_nonzero_creation_result_goes_on(self):
        for result in (1, 7, -1):
            with self.subTest(result=result), RecordedRun(f"create {result}") as run:
                run.wait()
                names = run.trace.names()
                self.assertEqual(["System_CreateKV2D", "Resource_LoadFont"], names[:2])
                self.assertEqual(result, run.trace.calls("System_CreateKV2D")[0].result)
                self.assertIn("System_KV2DRun", names)
                self.assertEqual("System_KV2DStop", names[-1])
                self.assertEqual(1, names.count("System_KV2DStop"))
                self.assertEqual([], run.log.boxes)
                self.assertEqual(0, run.returncode)
                self.assertEqual([1], run.log.exit_routines)

    def test_log_path_is_the_real_program_directory_whatever_the_start(self):
        # Started through a link in another directory, with arguments, from a
        # program directory whose name holds a space and non-ASCII bytes.
        with RecordedRun(program_subdir="颜色 picker", via_link=True) as run:
            run.wait()
        created = run.trace.calls("System_CreateKV2D")[0]
        self.assertEqual(log_path_of(run), created.args[17])
        self.assertNotEqual(os.path.realpath(run.cwd), run.program_dir)
        first = run.trace.windows()[0]
        self.assertEqual(run.program_dir_bytes().hex().upper(), first["cwd"],
                         "the current directory is the program directory at creation")
        self.assertEqual(0, run.returncode)


class FatalStopTest(unittest.TestCase):

    def assert_fatal(self, run, entry):
        self.assertEqual(255, run.returncode)
        self.assertEqual(1, len(run.log.boxes), run.log.lines)
        fatal = run.log.boxes[0]
        self.assertEqual(16, fatal.icon)
        self.assertIn(ENGINE_FILE.encode(), fatal.text)
        self.assertIn(entry.encode(), fatal.text)
        self.assertEqual([], run.log.exit_routines, "exit routines are dropped")

    def test_no_engine_library_anywhere(self):
        self.assertFalse(engine_on_search_path(), "an engine library on the system search path spoils this test")
        with RecordedRun(engine=None) as run:
            run.wait()
        self.assert_fatal(run, "System_CreateKV2D")
        self.assertEqual([], run.trace.lines)

    def test_engine_library_lacking_an_entry_point(self):
        with RecordedRun(engine=LACKING_RECORDER_DIR, counts=True) as run:
            run.wait()
        self.assert_fatal(run, "GUI_AddLabel")
        counts = run.call_counts()  # written as the process ended, without a stop
        self.assertEqual((3, 0, 0), (counts["GUI_AddScrollBar"], counts["GUI_AddLabel"], counts["System_KV2DStop"]))
        trace = run.trace
        on_close, = trace.routines()["GUI_SetEvenReceiver"]
        window = trace.calls("System_CreateKV2D")[0].args[1]
        # Everything up to the label's own colours, then nothing.
        expected = ([creation_line(window, log_path_of(run), 1), FONT_LINE]
                    + button_lines(BUTTON_CLOSE) + [receiver_line(BUTTON_CLOSE, on_close)]
                    + scroll_bar_lines(SCROLL_RED) + scroll_bar_lines(SCROLL_GREEN)
                    + scroll_bar_lines(SCROLL_BLUE) + label_lines()[:-1])
        self.assertEqual(expected, without_windows(trace.lines))


class MainWindowTest(unittest.TestCase):

    def test_window_at_creation_and_at_the_run(self):
        # screen -> the window's top-left corner
        cases = {(1920, 1080): (560, 240), (1366, 768): (283, 84), (799, 600): (0, 0), (640, 480): (-80, -60)}
        for (width, height), (x, y) in cases.items():
            with self.subTest(screen=(width, height)), RecordedRun(width=width, height=height) as run:
                run.wait()
                at_creation, at_run = run.trace.windows()
                common = {"x": str(x), "y": str(y), "width": "800", "height": "600", "resizable": "0",
                          "title": run.window_title_bytes(TITLE).hex().upper(),
                          "cwd": run.program_dir_bytes().hex().upper()}
                self.assertEqual(dict(common, shown="0", **run.window_platform_keys(shown=False)), at_creation)
                self.assertEqual(dict(common, shown="1", **run.window_platform_keys(shown=True)), at_run)
                self.assertEqual(0, run.returncode)


if __name__ == "__main__":
    unittest.main()
