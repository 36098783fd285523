"""The real picker with our engine under a private Xvfb, driven as a person
drives it: xdotool for the mouse and keys, screenshots for what shows."""

import os
import shutil
import subprocess
import time

from vorhel_testing import (PROGRAM_DIR, VirtualScreen, end_process, program_copy,
                            wait_until, window_ids_of)


def xdotool(screen, *args):
    # A key that closes its window makes xdotool fail on the key's release,
    # which then has no window: the exit code says nothing about the key.
    return subprocess.run(["xdotool", *map(str, args)], env=screen.env(),
                          capture_output=True, text=True).stdout


def window_geometry(screen, window):
    """(x, y, width, height) of a window's client area on the screen."""
    out = subprocess.run(["xwininfo", "-id", str(window)], env=screen.env(),
                         check=True, capture_output=True, text=True).stdout
    fields = {}
    for line in out.splitlines():
        if ":" in line:
            key, _, value = line.strip().partition(":")
            fields[key.strip()] = value.strip()
    return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
            int(fields["Width"]), int(fields["Height"]))


def window_name(screen, window):
    out = subprocess.run(["xprop", "-id", str(window), "-notype", "_NET_WM_NAME"],
                         env=screen.env(), capture_output=True, text=True).stdout
    _, _, value = out.partition("=")
    return value.strip().strip('"')


def is_viewable(screen, window):
    out = subprocess.run(["xwininfo", "-id", str(window)], env=screen.env(),
                         capture_output=True, text=True).stdout
    return "IsViewable" in out


class Picker:
    """One run of the picker in a program directory of its own."""

    def __init__(self, screen, executable="vorhel-colour-picker", engine_dir=PROGRAM_DIR,
                 extra_env=None, path_prefix=None, program=None, launcher=(), scale=1):
        """program: an executable already in place (an installed one) to run
        instead of a fresh copy; launcher: words that start it (setpriv ...);
        scale: the desktop's scale, device pixels per drawing pixel."""
        self.screen = screen
        self.scale = scale
        self.owns_directory = program is None
        if program is None:
            self.directory = program_copy(engine_dir, executable=executable)
            program = os.path.join(self.directory, executable)
        else:
            self.directory = os.path.dirname(os.path.realpath(program))
        env = screen.env(**(extra_env or {}))
        if path_prefix:
            env["PATH"] = path_prefix + os.pathsep + env["PATH"]
        self.process = subprocess.Popen([*launcher, program],
                                        cwd="/", env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.window = None
        self.origin = (0, 0)

    def wait_for_window(self, timeout=20):
        def shown():
            for window in window_ids_of(self.process.pid, self.screen.env()):
                if is_viewable(self.screen, window):
                    geometry = window_geometry(self.screen, window)
                    if geometry[2] >= 800 * self.scale and geometry[3] >= 600 * self.scale:
                        return window
            return None
        self.window = wait_until(shown, timeout)
        if self.window is None:
            raise AssertionError("the picker's window did not show")
        x, y, _, _ = window_geometry(self.screen, self.window)
        self.origin = (x, y)
        return self.window

    def boxes(self):
        """Shown windows of the process other than the main window."""
        return [w for w in window_ids_of(self.process.pid, self.screen.env())
                if w != self.window and is_viewable(self.screen, w)]

    def to_screen(self, x, y):
        """Screen pixels of a point of the drawing space."""
        return self.origin[0] + round(x * self.scale), self.origin[1] + round(y * self.scale)

    def move(self, x, y):
        sx, sy = self.to_screen(x, y)
        xdotool(self.screen, "mousemove", sx, sy)

    def click(self, x, y):
        self.move(x, y)
        xdotool(self.screen, "click", 1)

    def drag(self, x0, y0, x1, y1, steps=10):
        self.move(x0, y0)
        xdotool(self.screen, "mousedown", 1)
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps)
            time.sleep(0.02)
        xdotool(self.screen, "mouseup", 1)

    def park_pointer(self):
        xdotool(self.screen, "mousemove", 0, 0)

    def shot(self, name):
        """The window's 800 by 600 drawing space as an image (screen pixels)."""
        return self.screen.screenshot(name)

    def pixel(self, image, x, y):
        sx, sy = self.to_screen(x, y)
        return image.pixel(sx, sy)

    def settled_shot(self, name, predicate, timeout=10):
        """A screenshot once predicate(image) holds (frames arrive a little
        after the input that caused them); the last one otherwise."""
        image = None

        def check():
            nonlocal image
            image = self.shot(name)
            return predicate(image)
        wait_until(check, timeout, interval=0.1)
        return image

    def wait_exit(self, timeout=15):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def close(self):
        end_process(self.process)
        self.process.stdout.close()
        self.process.stderr.close()
        if self.owns_directory:
            shutil.rmtree(self.directory, ignore_errors=True)


def press_return_on_box(picker, box, attempts=10):
    """Closes a box of the picker with Return; True once it has gone.

    Down and up go as two commands: the box closes on the key going down,
    and xdotool would send the key's release to the window that has gone,
    leaving Return held and repeating. SDL gives a newly focused window the
    keyboard a moment after the window manager focuses it, and a key that
    comes sooner is taken as the main window's; a person would press again,
    and so does this."""
    for _ in range(attempts):
        for command in (["keydown", "--window", str(box), "Return"], ["keyup", "Return"]):
            subprocess.run(["xdotool", *command], env=picker.screen.env(), capture_output=True)
        if wait_until(lambda: box not in picker.boxes(), 1):
            return True
    return False


def start_picker(test, screen, **kwargs):
    """A picker whose window shows, ended when test ends, with the pointer
    parked outside it."""
    picker = Picker(screen, **kwargs)
    test.addCleanup(picker.close)
    picker.wait_for_window()
    picker.park_pointer()
    return picker
