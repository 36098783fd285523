"""The Linux window system under a private Xvfb: the fatal stop of the real
program without an engine (the box as a person sees it, the box as the test
build logs it, no display at all), MainWindow as it opens, the modal box, and
the clipboard keeper. What the picker cannot reach without an engine is driven
through tests/desktop/window_system_probe.cpp."""

import ctypes
import os
import re
import shutil
import signal
import subprocess
import tempfile
import unittest

from vorhel_testing import (ARTEFACT_DIR, Image, VirtualScreen, base_env, end_process, program_copy,
                            wait_until)

PROBE = os.environ.get("VORHEL_PROBE", "")

FATAL_TITLE = "错误"
NO_LIBRARY_LEAD = "无法加载引擎库"
NO_WINDOW_TEXT = "无法打开主窗口。"
MAIN_TITLE = "Vorhel颜色选择器   by Vorhel Software Lab"
COPY_TITLE = "复制颜色"
MAIN_COLOUR = (40, 160, 90)  # what the probe paints MainWindow with
ERROR_RED = (218, 38, 38)
WHITE = (255, 255, 255)


def run(args, env, timeout=20, **kwargs):
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout, **kwargs)


def visible_windows(pid, env):
    out = run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], env).stdout
    return [int(line) for line in out.split()]


def utf8_name(window, env):
    """_NET_WM_NAME of a window, decoded."""
    out = run(["xprop", "-id", str(window), "_NET_WM_NAME"], env).stdout
    match = re.search(r'= "(.*)"$', out.strip())
    return match.group(1) if match else None


def geometry(window, env):
    out = run(["xwininfo", "-id", str(window)], env).stdout
    value = lambda label: int(re.search(label + r":\s+(-?\d+)", out).group(1))
    return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"),
            "IsUnMapped" in out)


def screenshot(screen, name, left=0, top=0, width=None, height=None):
    """A screenshot of part of the screen, kept in the build tree as a PNG.
    (Asks for 8 bits per channel, which ImageMagick does not give by default.)"""
    width = screen.width if width is None else width
    height = screen.height if height is None else height
    os.makedirs(ARTEFACT_DIR, exist_ok=True)
    ppm = subprocess.run(["import", "-display", screen.display, "-window", "root", "-crop",
                          f"{width}x{height}+{left}+{top}", "-depth", "8", "ppm:-"],
                         check=True, capture_output=True).stdout
    subprocess.run(["convert", "ppm:-", os.path.join(ARTEFACT_DIR, name + ".png")], input=ppm, check=True)
    return Image.from_ppm(ppm)


def window_with_title(pid, title, env):
    for window in visible_windows(pid, env):
        if utf8_name(window, env) == title:
            return window
    return None


def paste(env, target="UTF8_STRING"):
    return run(["xclip", "-o", "-selection", "clipboard", "-t", target], env, timeout=10).stdout


def keeper_pids(env):
    windows = run(["xdotool", "search", "--class", "vorhel-clipboard"], env).stdout.split()
    pids = (run(["xdotool", "getwindowpid", w], env).stdout.strip() for w in windows)
    return [int(pid) for pid in pids if pid]


def alive(pid):
    """True while pid runs (a zombie waiting to be reaped has ended)."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def end_later(test, pids):
    """Ends processes that outlive the program under test, by their ids."""
    test.addCleanup(lambda: [os.kill(pid, signal.SIGTERM) for pid in pids if alive(pid)])


class XEvent(ctypes.Union):
    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


def use_close_box(display, window):
    """What a window manager sends when the close box of window is clicked."""
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = x.XOpenDisplay(display.encode())
    event = XEvent()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x.XInternAtom(connection, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
    x.XFlush(connection)
    x.XCloseDisplay(connection)


class FatalStopWithoutEngine(unittest.TestCase):
    """The program alone in its directory: the first engine call finds no
    library, which is a fatal stop naming the file and the entry point."""

    def setUp(self):
        self.directories = []

    def tearDown(self):
        for directory in self.directories:
            shutil.rmtree(directory, ignore_errors=True)

    def program_alone(self, executable):
        directory = program_copy(None, executable=executable)
        self.directories.append(directory)
        return os.path.join(directory, executable)

    def test_the_real_box_names_the_library_and_return_dismisses_it(self):
        program = self.program_alone("vorhel-colour-picker")
        with VirtualScreen() as screen:
            process = subprocess.Popen([program], env=screen.env(), stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE, text=True)
            try:
                windows = wait_until(lambda: visible_windows(process.pid, screen.env()), 20)
                # MainWindow stays hidden: the box is all there is to see.
                self.assertEqual(len(windows), 1, windows)
                box = windows[0]
                self.assertEqual(utf8_name(box, screen.env()), FATAL_TITLE)
                left, top, width, height, _ = geometry(box, screen.env())
                image = screenshot(screen, "desktop-fatal-box", left, top, width, height)

                # An error icon at the left: a red disc whose centre is white.
                red = [(x, y) for y in range(image.height) for x in range(min(80, image.width))
                       if image.pixel(x, y) == ERROR_RED]
                self.assertGreater(len(red), 300)
                centre_x = sum(x for x, _ in red) // len(red)
                centre_y = sum(y for _, y in red) // len(red)
                self.assertEqual(image.pixel(centre_x, centre_y), WHITE)
                # Text to the right of it (its wording is read from the title
                # here and from the test build's log below).
                dark = sum(1 for y in range(image.height) for x in range(80, image.width)
                           if sum(image.pixel(x, y)) < 200)
                self.assertGreater(dark, 500)

                subprocess.run(["xdotool", "key", "--window", str(box), "Return"], env=screen.env(),
                               capture_output=True)
                out, err = process.communicate(timeout=20)
            finally:
                end_process(process)
        self.assertEqual(process.returncode, 255)
        self.assertEqual(err, "")  # the box said it; nothing goes to stderr

    def test_the_test_build_logs_the_box_and_runs_no_exit_routine(self):
        program = self.program_alone("vorhel-colour-picker-test")
        log = os.path.join(os.path.dirname(program), "seam.log")
        with VirtualScreen() as screen:
            result = run([program], screen.env(VORHEL_TEST_LOG=log, VORHEL_TEST_ANSWER_BOXES=1))
        self.assertEqual(result.returncode, 255)
        with open(log) as lines:
            entries = lines.read().splitlines()
        self.assertEqual(len(entries), 1, entries)
        match = re.fullmatch(r"box icon=16 title=([0-9A-F]*) text=([0-9A-F]*)", entries[0])
        self.assertIsNotNone(match, entries[0])
        self.assertEqual(bytes.fromhex(match.group(1)), FATAL_TITLE.encode("gbk"))
        text = bytes.fromhex(match.group(2)).decode("gbk")
        self.assertTrue(text.startswith(NO_LIBRARY_LEAD), text)
        self.assertIn("Kelvaran 2D NOC.so", text)
        self.assertIn("System_CreateKV2D", text)

    def test_without_any_display_the_text_goes_to_stderr(self):
        program = self.program_alone("vorhel-colour-picker")
        env = base_env(None)
        env["SDL_VIDEODRIVER"] = "x11"  # no falling back to the console
        result = run([program], env)
        self.assertEqual(result.returncode, 255)
        self.assertEqual(result.stdout, "")
        self.assertEqual(result.stderr, f"{FATAL_TITLE}: {NO_WINDOW_TEXT}\n")


@unittest.skipUnless(PROBE, "VORHEL_PROBE names the probe program")
class MainWindowOpening(unittest.TestCase):

    def test_hidden_centred_on_the_full_screen_with_title_and_icon(self):
        probe_dir = os.path.dirname(os.path.realpath(PROBE))
        elsewhere = tempfile.mkdtemp(prefix="vorhel-cwd-")
        self.addCleanup(shutil.rmtree, elsewhere, True)
        # screen, Xft.dpi (None: not set), expected position and size
        cases = [
            ((1920, 1080), None, (560, 240, 800, 600)),
            ((1366, 768), None, (283, 84, 800, 600)),
            ((799, 600), None, (0, 0, 800, 600)),    # -0.5 truncates to 0
            ((640, 480), None, (-80, -60, 800, 600)),
            ((1920, 1080), 192, (160, -60, 1600, 1200)),  # desktop scale 2
        ]
        for size, dpi, expected in cases:
            with self.subTest(screen=size, dpi=dpi), VirtualScreen(*size) as screen:
                env = screen.env()
                if dpi is not None:
                    run(["xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
                         f"Xft.dpi:\t{dpi}\n"], env)
                with subprocess.Popen([PROBE, "state"], cwd=elsewhere, env=env, text=True,
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE) as process:
                    try:
                        state = {}
                        for line in process.stdout:
                            if line.strip() == "ready":
                                break
                            key, _, value = line.rstrip("\n").partition(" ")
                            state[key] = value
                        window = int(state["xid"])
                        *where, unmapped = geometry(window, env)
                        icon = run(["xprop", "-id", str(window), "_NET_WM_ICON"], env).stdout
                        process.stdin.write("\n")
                        process.stdin.close()
                        self.assertEqual(process.wait(20), 0)
                    finally:
                        end_process(process)
                self.assertEqual(tuple(where), expected)
                self.assertTrue(unmapped)
                self.assertEqual(state["shown"], "0 resizable 0")
                self.assertEqual(state["title"], MAIN_TITLE)
                self.assertEqual(state["cwd"], probe_dir)
                self.assertEqual(state["directory"], probe_dir)
                self.assertIn("Icon (48 x 48)", icon)


@unittest.skipUnless(PROBE, "VORHEL_PROBE names the probe program")
class ModalBox(unittest.TestCase):
    """MainWindow shown in one colour, a text on the clipboard, the copy box
    open over it."""

    def open_box(self, screen, text):
        process = subprocess.Popen([PROBE, "modal", text], env=screen.env(), text=True,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(end_process, process)
        main = int(process.stdout.readline().split()[1])
        self.assertEqual(process.stdout.readline().strip(), "clipboard 1")
        box = wait_until(lambda: window_with_title(process.pid, COPY_TITLE, screen.env()), 20)
        self.assertIsNotNone(box)
        return process, main, box

    def finish(self, process, env):
        """The probe's report of what MainWindow was handed while the box was open."""
        out, err = process.communicate(timeout=20)  # also fails if the keeper held our pipes
        end_later(self, keeper_pids(env))
        self.assertEqual(process.returncode, 0, err)
        counts = re.search(r"after-box input (\d+) other (\d+)", out)
        return int(counts.group(1)), int(counts.group(2))

    def test_blocks_input_keeps_the_picture_and_the_clipboard(self):
        for dismiss in ("click on OK", "close box", "Return meant for MainWindow"):
            with self.subTest(dismiss=dismiss), VirtualScreen(1366, 768) as screen:
                env = screen.env()
                process, main, box = self.open_box(screen, "C0FFEE42")
                # The clipboard is served while the box waits.
                self.assertEqual(paste(env), "C0FFEE42")
                # Input meant for MainWindow goes nowhere.
                left, top, _, _, _ = geometry(main, env)
                run(["xdotool", "mousemove", str(left + 20), str(top + 20), "click", "1"], env)
                run(["xdotool", "key", "--window", str(main), "a"], env)
                # Moving the box away uncovers MainWindow, which shows its
                # picture again at once.
                run(["xdotool", "windowmove", str(box), "0", "0"], env)
                centre = (screen.width // 2, screen.height // 2)
                shown = wait_until(lambda: screenshot(screen, "desktop-copy-box").pixel(*centre) == MAIN_COLOUR, 10)
                self.assertTrue(shown, "the uncovered part of MainWindow was not repainted")

                box_left, box_top, width, height, _ = geometry(box, env)
                if dismiss == "click on OK":
                    # OK sits at the right of the bottom band.
                    run(["xdotool", "mousemove", str(box_left + width - 54), str(box_top + height - 24),
                         "click", "1"], env)
                elif dismiss == "close box":
                    use_close_box(screen.display, box)
                else:
                    # As when the key comes before the box has the keyboard:
                    # a box's key acts on the box wherever it went.
                    run(["xdotool", "windowfocus", "--sync", str(main)], env)
                    run(["xdotool", "keydown", "--window", str(main), "Return"], env)
                input_events, other_events = self.finish(process, env)
                self.assertEqual(input_events, 0)
                self.assertGreater(other_events, 0)  # window events are handed back

    def test_escape_dismisses_and_no_keeper_takes_a_clipboard_another_program_owns(self):
        with VirtualScreen(1366, 768) as screen:
            env = screen.env()
            process, _, box = self.open_box(screen, "C0FFEE42")
            other = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard"], env=env, text=True,
                                     stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            self.addCleanup(end_process, other)
            other.stdin.write("OTHER")
            other.stdin.close()
            self.assertTrue(wait_until(lambda: paste(env) == "OTHER", 10))

            run(["xdotool", "key", "--window", str(box), "Escape"], env)
            self.finish(process, env)
            self.assertEqual(keeper_pids(env), [])
            self.assertIsNone(other.poll())
            self.assertEqual(paste(env), "OTHER")


@unittest.skipUnless(PROBE, "VORHEL_PROBE names the probe program")
class ClipboardKeeper(unittest.TestCase):

    def test_serves_the_text_after_the_program_ends_until_the_clipboard_is_taken(self):
        with VirtualScreen() as screen:
            env = screen.env()
            # Ends at once, and the keeper holds none of our pipes (or run()
            # would wait for it and time out).
            log = os.path.join(tempfile.mkdtemp(prefix="vorhel-log-"), "seam.log")
            self.addCleanup(shutil.rmtree, os.path.dirname(log), True)
            result = run([PROBE, "copy", "563412FF"], screen.env(VORHEL_TEST_LOG=log))
            self.assertEqual((result.returncode, result.stdout), (0, "clipboard 1\nexit routine\n"))
            with open(log) as lines:
                self.assertEqual(lines.read(), "exit-routine 1\n")
            keepers = wait_until(lambda: keeper_pids(env), 10)
            end_later(self, keepers)
            self.assertEqual(len(keepers), 1)
            first = keepers[0]
            self.assertEqual(paste(env), "563412FF")
            self.assertEqual(paste(env, "STRING"), "563412FF")
            self.assertEqual(set(paste(env, "TARGETS").split()), {"TARGETS", "UTF8_STRING", "STRING", "TEXT"})

            # Detached: a session of its own, /dev/null for its standard
            # streams, nothing inherited but its own display connection.
            self.assertEqual(os.getsid(first), first)
            with open(f"/proc/{first}/comm") as name:
                self.assertEqual(name.read(), "vorhel-clipboar\n")  # cut to 15 characters
            descriptors = {int(fd): os.readlink(f"/proc/{first}/fd/{fd}") for fd in os.listdir(f"/proc/{first}/fd")}
            self.assertEqual({fd: descriptors[fd] for fd in (0, 1, 2)}, {fd: "/dev/null" for fd in (0, 1, 2)})
            self.assertEqual(len(descriptors), 4, descriptors)

            # Another copy takes the clipboard: the first keeper ends.
            self.assertEqual(run([PROBE, "copy", "0A0B0C0D"], env).returncode, 0)
            self.assertTrue(wait_until(lambda: not alive(first), 10))
            self.assertEqual(paste(env), "0A0B0C0D")
            keepers = keeper_pids(env)
            end_later(self, keepers)
            self.assertEqual(len(keepers), 1)
        # The display went away: so does the keeper.
        self.assertTrue(wait_until(lambda: not alive(keepers[0]), 10))


@unittest.skipUnless(PROBE, "VORHEL_PROBE names the probe program")
class Opener(unittest.TestCase):

    def test_the_opener_gets_the_path_and_neither_our_streams_nor_our_time(self):
        bin_dir = tempfile.mkdtemp(prefix="vorhel-opener-")
        self.addCleanup(shutil.rmtree, bin_dir, True)
        record = os.path.join(bin_dir, "opened")
        # An opener that says where it was sent, chatters, and lingers (as a
        # browser would) holding whatever descriptors it was given.
        with open(os.path.join(bin_dir, "xdg-open"), "w") as opener:
            opener.write(f'#!/bin/sh\necho "$$ $1" > "{record}.part" && mv "{record}.part" "{record}"\n'
                         'echo opener chatter; echo opener complaint >&2\nexec sleep 60\n')
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        page = "/opt/Vorhel Picker/engine.html"
        with VirtualScreen() as screen:
            env = screen.env(PATH=bin_dir + os.pathsep + os.environ["PATH"])
            result = run([PROBE, "open", page], env)  # times out if the opener holds our pipes
            self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "exit routine\n", ""))
            self.assertTrue(wait_until(lambda: os.path.exists(record), 10))
            with open(record) as opened:
                pid, path = opened.read().rstrip("\n").split(" ", 1)
            end_later(self, [int(pid)])
            self.assertEqual(path, page)


if __name__ == "__main__":
    unittest.main()
