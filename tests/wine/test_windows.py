"""What only the Windows build has: its resources, its program directory in
GBK, real message boxes under Wine, the Win32 clipboard."""

import os
import shutil
import subprocess
import tempfile
import unittest

from recorded_run import HANG_GUARD, wait_until
from windows_run import EXECUTABLE, WindowsRecordedRun, lacking_recorder_dir
from wine_session import PREFIX, shared_session, windows_build, windows_path

FATAL_TITLE = "错误".encode("gbk")
ENGINE_FAILED = ("初始化失败".encode("gbk"), "引擎初始化失败！".encode("gbk"))
COPY_TITLE = "复制颜色".encode("gbk")
COPIED = "已复制到剪贴板！".encode("gbk")
COPY_FAILED = "复制失败：无法写入剪贴板。".encode("gbk")
# A GBK character whose trail byte is the backslash's value (0x81 0x5C).
TRAIL_BACKSLASH = "乗"


class ResourcesTest(unittest.TestCase):

    def test_manifest_and_icon(self):
        session = shared_session()
        for name in ("vorhel-colour-picker.exe", EXECUTABLE):
            with self.subTest(executable=name):
                code, out = session.run_helper("resources", windows_path(windows_build("bin", name)))
                self.assertEqual(0, code, out)
                words = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
                manifest = bytes.fromhex(words.get("manifest", "")).decode("utf-8")
                self.assertIn('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', manifest)
                self.assertNotIn("dpiAware", manifest)
                self.assertNotIn("dpiAwareness", manifest)
                self.assertEqual(["icon=48x48x32"], [line for line in out.splitlines() if line.startswith("icon=")],
                                 "one image, 48 by 48, 32 bits per pixel")


class ProgramDirectoryTest(unittest.TestCase):

    def test_a_trail_byte_equal_to_the_backslash_is_no_separator(self):
        # Both the directory and the executable's own name hold the character,
        # so a search that took its trail byte for a backslash would cut inside
        # the file name.
        name = TRAIL_BACKSLASH + "颜色"
        with WindowsRecordedRun(program_subdir=name) as run:
            renamed = os.path.join(run.program_dir, name + ".exe")
            os.rename(run.executable, renamed)
            run.executable = renamed
            run.wait()
        directory = run.program_dir_bytes()
        self.assertIn(b"\x81\x5c", directory)
        self.assertEqual(directory + b"\\debug.txt", run.trace.calls("System_CreateKV2D")[0].args[17])
        self.assertEqual(directory.hex().upper(), run.trace.windows()[0]["cwd"])
        self.assertEqual(0, run.returncode)

    def test_the_root_of_a_drive(self):
        # Drive R: of the prefix is the run's program directory.
        with WindowsRecordedRun() as run:
            drive = os.path.join(PREFIX, "dosdevices", "r:")
            os.symlink(run.program_dir, drive)
            self.addCleanup(os.remove, drive)
            run.executable = "R:\\" + EXECUTABLE
            run.wait()
        self.assertEqual(b"R:\\debug.txt", run.trace.calls("System_CreateKV2D")[0].args[17])
        self.assertEqual(b"R:\\".hex().upper(), run.trace.windows()[0]["cwd"],
                         "the current directory is the root, not the drive's own current directory")
        self.assertEqual(0, run.returncode)


def x_windows_of(session, pid):
    result = subprocess.run(["xdotool", "search", "--pid", str(pid)], env=session.screen.env(),
                            capture_output=True, text=True)
    return result.stdout.split()


def x_title(session, window):
    result = subprocess.run(["xprop", "-id", window, "_NET_WM_NAME"], env=session.screen.env(),
                            capture_output=True)
    value = result.stdout.split(b"=", 1)[-1].strip()
    return value[1:-1].decode("utf-8", "replace") if value.startswith(b'"') else None


def viewable(session, window):
    result = subprocess.run(["xwininfo", "-id", window], env=session.screen.env(), capture_output=True, text=True)
    return "IsViewable" in result.stdout


class RealBoxTest(unittest.TestCase):
    """Boxes shown for real on the session's screen, read by the helper in the
    same prefix and dismissed with the Return key."""

    def see_and_dismiss(self, run, title, after_seen=None):
        session = run.screen
        text = wait_until(lambda: session.box_text(title) if run.process.poll() is None else b"", HANG_GUARD)
        self.assertTrue(text, "no box titled %r" % title.decode("gbk"))
        if after_seen is not None:
            after_seen()
        box = wait_until(lambda: [w for w in x_windows_of(session, run.process.pid)
                                  if x_title(session, w) == title.decode("gbk") and viewable(session, w)], HANG_GUARD)
        self.assertEqual(1, len(box), "one box on the screen")
        subprocess.run(["xdotool", "key", "--window", box[0], "Return"], env=session.screen.env(), check=True)
        run.wait()
        return text

    def real_run(self, script="", **options):
        return WindowsRecordedRun(script, env={"VORHEL_TEST_ANSWER_BOXES": "0"}, **options)

    def test_fatal_box_for_a_missing_library(self):
        with self.real_run(engine=None) as run:
            run.start()
            text = self.see_and_dismiss(run, FATAL_TITLE)
        self.assertIn(b"Kelvaran 2D NOC.dll", text)
        self.assertIn(b"System_CreateKV2D", text)
        self.assertEqual(255, run.returncode)
        self.assertEqual([], run.log.exit_routines)

    def test_fatal_box_for_a_missing_entry_point(self):
        with self.real_run(engine=lacking_recorder_dir()) as run:
            run.start()
            text = self.see_and_dismiss(run, FATAL_TITLE)
        self.assertIn(b"Kelvaran 2D NOC.dll", text)
        self.assertIn(b"GUI_AddLabel", text)
        self.assertEqual(255, run.returncode)

    def test_creation_failure_box(self):
        with self.real_run("create 0") as run:
            run.start()
            text = self.see_and_dismiss(run, ENGINE_FAILED[0])
        self.assertEqual(ENGINE_FAILED[1], text)
        self.assertEqual(0, run.returncode)
        self.assertEqual([1], run.log.exit_routines)

    def test_copy_box_and_the_clipboard(self):
        # The recording engine packs red 18, green 52, blue 86 as bytes 12 56 FF 34.
        script = "frames 2\nframe 1 value 102 18\nframe 1 value 104 52\nframe 1 value 106 86\nframe 1 click 109"
        with self.real_run(script) as run:
            run.start()
            seen = {}

            def read_clipboards():
                seen["windows"] = run.screen.clipboard_text()
                seen["x"] = run.screen.x_clipboard_text()

            text = self.see_and_dismiss(run, COPY_TITLE, after_seen=read_clipboards)
        self.assertEqual(COPIED, text)
        self.assertEqual(b"1256FF34", seen["windows"])
        self.assertEqual(b"1256FF34", seen["x"], "Wine's desktop process hands the clipboard to X")
        self.assertIn("leave click 109 -> 1", run.trace.lines)
        self.assertEqual(0, run.returncode)

    def test_a_clipboard_held_by_another_program_is_reported(self):
        work = tempfile.mkdtemp(prefix="vorhel-hold-")
        self.addCleanup(shutil.rmtree, work, True)
        release = os.path.join(work, "release")
        session = shared_session()
        with open(os.path.join(work, "out"), "wb") as out:
            holder = session.start([windows_build("wine", "wine-helper.exe"), "hold-clipboard", windows_path(release)],
                                   stdout=out)
        try:
            self.assertTrue(wait_until(lambda: b"holding" in open(os.path.join(work, "out"), "rb").read()
                                       or holder.poll() is not None, HANG_GUARD))
            with WindowsRecordedRun("frames 2\nframe 1 click 109") as run:
                run.wait()
        finally:
            open(release, "w").close()
            holder.wait(HANG_GUARD)
        self.assertEqual([(16, COPY_TITLE, COPY_FAILED)], [(b.icon, b.title, b.text) for b in run.log.boxes])
        self.assertIn("frame 2", run.trace.lines, "the run goes on")
        self.assertEqual(0, run.returncode)


if __name__ == "__main__":
    unittest.main()
