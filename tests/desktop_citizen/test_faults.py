"""Faults of the desktop that must not hurt: no Chinese font, no opener, a
program directory the user cannot write, no display at all. The real picker
with our engine, under a private Xvfb."""

import os
import pwd
import shutil
import subprocess
import tempfile
import unittest

from picker_session import start_picker, window_name, xdotool
from vorhel_testing import PROGRAM_DIR, VirtualScreen, base_env, program_copy, wait_until

WHITE, BLACK = (255, 255, 255), (0, 0, 0)
WHITE_SWATCH = (670 + 20, 460 + 20)  # column 5, row 7
FIRST_SWATCH = (530, 240)  # (255, 128, 128)
NOT_WRITABLE_BY_ANYONE_ELSE = 0o700


def temporary_directory(test, prefix, mode=None):
    path = tempfile.mkdtemp(prefix=prefix)
    test.addCleanup(shutil.rmtree, path, True)
    if mode is not None:
        os.chmod(path, mode)
    return path


def read(path):
    with open(path, encoding="utf-8", errors="replace") as file:
        return file.read()


def shown_windows(screen):
    """Every mapped top-level window on the screen."""
    out = subprocess.run(["xwininfo", "-root", "-children"], env=screen.env(), capture_output=True,
                         text=True).stdout
    ids = [line.split()[0] for line in out.splitlines() if line.strip().startswith("0x")]
    return [w for w in ids if "IsViewable" in subprocess.run(
        ["xwininfo", "-id", w], env=screen.env(), capture_output=True, text=True).stdout]


def effective_uid(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("Uid:"):
                return int(line.split()[2])
    return None


class Faults(unittest.TestCase):

    def start(self, screen, **kwargs):
        return start_picker(self, screen, **kwargs)

    def pick(self, picker, place, colour, name):
        """Picks a swatch and waits until the preview shows its colour: the
        picker took the input and drew."""
        picker.click(*place)
        picker.park_pointer()
        image = picker.settled_shot(name, lambda im: picker.pixel(im, 250, 250) == colour)
        self.assertEqual(colour, picker.pixel(image, 250, 250), name)
        return image

    def close(self, picker):
        picker.click(740, 575)
        self.assertEqual(0, picker.wait_exit())

    def test_without_a_chinese_font_texts_fall_back_and_the_picker_works(self):
        # fontconfig for this process alone knows one font family, without
        # Chinese; its cache goes to a temporary directory.
        fonts = temporary_directory(self, "vorhel-fonts-")
        config = os.path.join(fonts, "fonts.conf")
        with open(config, "w") as file:
            file.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                       "<fontconfig>\n  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                       f"  <cachedir>{fonts}/cache</cachedir>\n</fontconfig>\n")
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen, extra_env={"FONTCONFIG_FILE": config})
            image = self.pick(picker, WHITE_SWATCH, WHITE, "no-cjk-font")
            # The readouts' digits still show, in yellow.
            readout = [picker.pixel(image, x, y) for x in range(550, 700) for y in range(30, 52)]
            self.assertTrue(any(p[0] > 150 and p[1] > 150 and p[2] < 90 for p in readout))
            log = read(os.path.join(picker.directory, "debug.txt"))
            self.assertIn("DejaVu", log)
            self.assertIn("no font with Chinese found", log)
            # The copy box opens, and goes, as ever.
            picker.click(585, 575)
            boxes = wait_until(picker.boxes, 10)
            self.assertEqual(1, len(boxes))
            self.assertEqual("复制颜色", window_name(screen, boxes[0]))
            screen.screenshot("no-cjk-font-box")
            xdotool(screen, "key", "--window", boxes[0], "Return")
            self.assertTrue(wait_until(lambda: not picker.boxes(), 10))
            self.close(picker)

    def test_without_an_opener_learn_more_does_nothing_visible(self):
        empty = temporary_directory(self, "vorhel-path-")
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen, extra_env={"PATH": empty})
            before = shown_windows(screen)
            for _ in range(2):
                picker.click(80, 575)
            picker.park_pointer()
            # A pick after the clicks shows: the picker went on.
            self.pick(picker, FIRST_SWATCH, (255, 128, 128), "no-opener")
            self.assertEqual(before, shown_windows(screen))
            self.assertIsNone(picker.process.poll())
            self.close(picker)

    def test_a_read_only_program_directory_means_no_log_and_a_working_picker(self):
        # Root ignores permission bits, so the picker runs as nobody. Its
        # directory is readable by all and writable by none; its home is a
        # temporary directory, so whatever libraries write lands there.
        directory = program_copy(PROGRAM_DIR, executable="vorhel-colour-picker")
        self.addCleanup(shutil.rmtree, directory, True)
        self.addCleanup(os.chmod, directory, NOT_WRITABLE_BY_ANYONE_ELSE)
        os.chmod(directory, 0o555)
        home = temporary_directory(self, "vorhel-home-", 0o777)
        launcher = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        with VirtualScreen(1920, 1080) as screen:
            picker = self.start(screen, program=os.path.join(directory, "vorhel-colour-picker"),
                                launcher=launcher, extra_env={"HOME": home, "XDG_CACHE_HOME": home})
            self.assertEqual(pwd.getpwnam("nobody").pw_uid, effective_uid(picker.process.pid))
            self.pick(picker, WHITE_SWATCH, WHITE, "read-only-directory")
            self.close(picker)
        self.assertNotIn("debug.txt", os.listdir(directory))

    def test_without_a_display_one_clear_line_on_stderr_and_a_nonzero_exit(self):
        directory = program_copy(PROGRAM_DIR, executable="vorhel-colour-picker")
        self.addCleanup(shutil.rmtree, directory, True)
        # No X display and no Wayland one; SDL may pick any driver it likes.
        env = base_env(None)
        env.pop("SDL_VIDEODRIVER", None)
        result = subprocess.run([os.path.join(directory, "vorhel-colour-picker")], env=env,
                                stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)
        self.assertEqual(255, result.returncode)
        self.assertEqual("", result.stdout)
        self.assertEqual("错误: 无法打开主窗口。", result.stderr.splitlines()[-1])


if __name__ == "__main__":
    unittest.main()
