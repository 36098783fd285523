"""Shared helpers for the tests that run real processes: a private virtual X
screen, the program copied into a temporary directory beside an engine,
screenshots kept in the build tree, and pixels read from them."""

import os
import shutil
import signal
import subprocess
import tempfile
import time

# Set by CTest (see tests/*/CMakeLists.txt).
BUILD_DIR = os.environ.get("VORHEL_BUILD_DIR", "")
PROGRAM_DIR = os.path.join(BUILD_DIR, "bin")
ARTEFACT_DIR = os.path.join(BUILD_DIR, "test-artefacts")


def base_env(display=None):
    """The environment for a program under test: no desktop bus, our display."""
    env = dict(os.environ)
    env["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"
    env.pop("WAYLAND_DISPLAY", None)
    if display is not None:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def start_xvfb(width, height, depth, *options):
    """Starts an Xvfb on the first free display number; returns the process
    and the display's name (":N")."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x{depth}",
         "-nolisten", "tcp", "-noreset", *options],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            number += chunk
    return server, ":" + number.decode().strip()


class VirtualScreen:
    """An Xvfb of its own, on the first free display number.

    with VirtualScreen(1920, 1080) as screen:
        subprocess.run([...], env=screen.env())
    """

    def __init__(self, width=1920, height=1080, depth=24, window_manager=False):
        self.width, self.height, self.depth = width, height, depth
        self.window_manager = window_manager
        self.display = None
        self._server = None
        self._wm = None

    def __enter__(self):
        self._server, self.display = start_xvfb(self.width, self.height, self.depth)
        if self.window_manager:
            self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_until(lambda: _wm_running(self.env()), 10)
        return self

    def __exit__(self, *exc):
        for process in (self._wm, self._server):
            if process is not None and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    def env(self, **extra):
        env = base_env(self.display)
        env.update({k: str(v) for k, v in extra.items()})
        return env

    def screenshot(self, name, window="root"):
        """Saves a PNG in the build tree's artefacts and returns the pixels."""
        os.makedirs(ARTEFACT_DIR, exist_ok=True)
        png = os.path.join(ARTEFACT_DIR, name + ".png")
        ppm = subprocess.run(["import", "-display", self.display, "-window", window, "-depth", "8", "ppm:-"],
                             check=True, capture_output=True).stdout
        image = Image.from_ppm(ppm)
        subprocess.run(["convert", "ppm:-", png], input=ppm, check=True)
        return image


def _wm_running(env):
    result = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                            capture_output=True, text=True)
    return "window id" in result.stdout


class Image:
    """RGB pixels of a screenshot."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(blob):
        fields = []
        position = 0
        while len(fields) < 4:
            while blob[position:position + 1].isspace():
                position += 1
            if blob[position:position + 1] == b"#":
                position = blob.index(b"\n", position)
                continue
            start = position
            while not blob[position:position + 1].isspace():
                position += 1
            fields.append(blob[start:position])
        assert fields[0] == b"P6" and fields[3] == b"255", fields
        width, height = int(fields[1]), int(fields[2])
        return Image(width, height, blob[position + 1:position + 1 + width * height * 3])

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.data[offset:offset + 3])


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it is true; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)


def program_copy(engine_dir, executable="vorhel-colour-picker-test", with_page=True):
    """A temporary program directory: the executable beside the engine library
    found in engine_dir (None for no engine at all). Returns its path; the
    caller removes it with shutil.rmtree."""
    directory = tempfile.mkdtemp(prefix="vorhel-")
    shutil.copy2(os.path.join(PROGRAM_DIR, executable), directory)
    if with_page:
        shutil.copy2(os.path.join(PROGRAM_DIR, "engine.html"), directory)
    if engine_dir is not None:
        for name in os.listdir(engine_dir):
            if name.startswith("Kelvaran 2D NOC"):
                shutil.copy2(os.path.join(engine_dir, name), directory)
    return directory


def window_ids_of(pid, env):
    """X window ids that belong to process pid (by _NET_WM_PID)."""
    result = subprocess.run(["xdotool", "search", "--pid", str(pid)], env=env,
                            capture_output=True, text=True)
    return [int(line) for line in result.stdout.split()]


def end_process(process):
    """Ends a process that a test started, whatever state it is in."""
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def write_opener(directory, record):
    """An xdg-open in directory that only notes the address it was given."""
    path = os.path.join(directory, "xdg-open")
    with open(path, "w") as script:
        script.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{record}"\n')
    os.chmod(path, 0o755)
    return path


def read_text(path):
    """A file's text byte for byte (latin-1), or "" when it does not exist."""
    try:
        with open(path, encoding="latin-1") as file:
            return file.read()
    except FileNotFoundError:
        return ""
