"""Running the real program against the recording engine, and reading what
it did: the engine's trace, the test build's box and exit-routine log, the
exit code.

    with RecordedRun(script="frames 3\\nframe 2 mouse 530 240") as run:
        run.wait()
        run.trace.calls(frame=2)

The program is copied into a temporary directory beside the chosen engine and
started from another, empty current directory with a few command-line
arguments, which it must ignore."""

import ctypes
import os
import shutil
import struct
import subprocess
import tempfile

from vorhel_testing import BUILD_DIR, VirtualScreen, end_process, program_copy, read_text, wait_until

RECORDER_DIR = os.path.join(BUILD_DIR, "recorder")
LACKING_RECORDER_DIR = os.path.join(BUILD_DIR, "recorder-lacking")
ENGINE_FILE = "Kelvaran 2D NOC.so"
ARGUMENTS = ["--engine", "elsewhere", "two words", "-"]

# How long a run may take before the test gives up on it: a guard against a
# hung program, never a measure of anything.
HANG_GUARD = 120


def f32(value):
    """value as the nearest 32-bit float."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


# --- trace words --------------------------------------------------------------

class Routine:
    """A program routine handed to the engine, known by its address."""

    def __init__(self, address):
        self.address = address

    def __eq__(self, other):
        return isinstance(other, Routine) and other.address == self.address

    def __hash__(self):
        return hash(self.address)

    def __repr__(self):
        return f"c:{self.address:X}"


PLACE = "p"


def word(value):
    """A value written as the recording engine writes it."""
    if isinstance(value, (bytes, bytearray)):
        return "s:" + bytes(value).hex().upper()
    if isinstance(value, Routine):
        return repr(value)
    if isinstance(value, bool):
        return str(int(value))
    if isinstance(value, int):
        return str(value)
    if isinstance(value, float):
        return "%.9g" % f32(value)
    if value == PLACE:
        return PLACE
    raise TypeError(value)


def call_line(name, *args, result=None):
    """The trace line of one engine call."""
    line = " ".join([name] + [word(a) for a in args])
    return line if result is None else f"{line} -> {word(result)}"


def parse_word(text):
    if text.startswith("s:"):
        return bytes.fromhex(text[2:])
    if text.startswith("c:"):
        return Routine(int(text[2:], 16))
    if text == PLACE:
        return PLACE
    try:
        return int(text)
    except ValueError:
        return f32(float(text))


# --- the trace ----------------------------------------------------------------

MARKERS = ("window", "frame", "hold", "enter", "leave", "click")


class Record:
    """One trace line. kind is 'call' for an engine call, else the marker word.
    frame: the frame it happened in (0 before the loop); within: the routines
    of the program that were running, outermost first ('frame', 'render',
    'click 109'); a routine's own enter and leave lines belong to its caller."""

    def __init__(self, line, frame, within):
        self.line, self.frame, self.within = line, frame, within
        words = line.split(" ")
        self.result = None
        if "->" in words:
            at = words.index("->")
            self.result = parse_word(words[at + 1])
            words = words[:at]
        if words[0] in MARKERS:
            self.kind, self.name, self.args = words[0], " ".join(words[1:]), ()
        else:
            self.kind, self.name = "call", words[0]
            self.args = tuple(parse_word(w) for w in words[1:])

    def __repr__(self):
        return self.line


class Trace:
    def __init__(self, text):
        self.records = []
        frame, inside = 0, []
        for line in text.splitlines():
            if line.startswith("leave ") and inside:
                inside.pop()  # a routine's markers belong to its caller
            record = Record(line, frame, tuple(inside))
            if record.kind == "frame":
                frame = int(record.name)
                record.frame = frame
            elif record.kind == "enter":
                inside.append(record.name)
            self.records.append(record)

    @property
    def lines(self):
        return [r.line for r in self.records]

    def calls(self, name=None, frame=None, inside=None):
        """Engine calls, optionally of one entry point, in one frame, made while
        one routine ran ('render', 'frame', 'click 109')."""
        return [r for r in self.records if r.kind == "call"
                and (name is None or r.name == name)
                and (frame is None or r.frame == frame)
                and (inside is None or inside in r.within)]

    def names(self, **selection):
        return [r.name for r in self.calls(**selection)]

    def windows(self):
        """The window states recorded, as dicts of their key=value words."""
        return [dict(w.split("=", 1) for w in r.name.split(" ") if "=" in w)
                for r in self.records if r.kind == "window"]

    def lines_of(self, frame=None, inside=None):
        """Lines of one frame and/or routine, the routine's own markers included."""
        out = []
        for r in self.records:
            if frame is not None and r.frame != frame:
                continue
            if inside is not None:
                own = r.kind in ("enter", "leave") and r.name == inside
                if not own and inside not in r.within:
                    continue
            out.append(r.line)
        return out

    def routines(self):
        """The routines the program handed over: entry -> list of Routine."""
        found = {}
        for r in self.calls():
            for a in r.args:
                if isinstance(a, Routine):
                    found.setdefault(r.name, []).append(a)
        return found


# --- the test build's log -----------------------------------------------------

class Box:
    def __init__(self, icon, title, text):
        self.icon, self.title, self.text = icon, title, text

    def __eq__(self, other):
        return (self.icon, self.title, self.text) == (other.icon, other.title, other.text)

    def __repr__(self):
        return f"Box(icon={self.icon}, title={self.title!r}, text={self.text!r})"


def box(icon, title, text):
    """A box from readable texts (UTF-8 here, GBK on the wire)."""
    return Box(icon, title.encode("gbk"), text.encode("gbk"))


class Log:
    def __init__(self, text):
        self.lines = text.splitlines()
        self.boxes = []
        self.exit_routines = []
        for line in self.lines:
            words = line.split(" ")
            if words[0] == "box":
                fields = dict(w.split("=", 1) for w in words[1:])
                self.boxes.append(Box(int(fields["icon"]), bytes.fromhex(fields["title"]),
                                      bytes.fromhex(fields["text"])))
            elif words[0] == "exit-routine":
                self.exit_routines.append(int(words[1]))


# --- a run --------------------------------------------------------------------

def engine_on_search_path():
    """True if the engine library could be found by the system's standard search."""
    try:
        ctypes.CDLL(ENGINE_FILE)
        return True
    except OSError:
        return False


class RecordedRun:
    """One run of the test build of the program.

    script: the recording engine's script (a hold can be written as
    "frame N hold" and is completed with a release file here).
    engine: the directory holding the engine library to put beside the
    program, or None for none.
    width, height: the size of the run's own virtual screen.
    env: variables to add to the program's environment.
    program_subdir: run the program from a subdirectory of that name inside
    its temporary directory. via_link: start it through a symbolic link in the
    current directory instead of by its real path.
    trace, counts: have the engine write its trace, its call counts."""

    def __init__(self, script="", engine=RECORDER_DIR, width=1920, height=1080, env=None,
                 program_subdir=None, via_link=False, trace=True, counts=False):
        self.script, self.engine = script, engine
        self.size, self.extra_env = (width, height), dict(env or {})
        self.program_subdir, self.via_link = program_subdir, via_link
        self.tracing, self.counts = trace, counts
        self.process = None
        self.returncode = None
        self._ended = None

    def __enter__(self):
        self.screen = self.program_root = None
        self.work = tempfile.mkdtemp(prefix="vorhel-contract-")
        try:
            self._prepare()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _prepare(self):
        self.cwd = os.path.join(self.work, "elsewhere")
        os.mkdir(self.cwd)
        self.program_root = program_copy(self.engine)
        self.program_dir = self.program_root
        if self.program_subdir:
            self.program_dir = os.path.join(self.program_root, self.program_subdir)
            os.mkdir(self.program_dir)
            for name in os.listdir(self.program_root):
                if name != self.program_subdir:
                    os.rename(os.path.join(self.program_root, name), os.path.join(self.program_dir, name))
        self.program_dir = os.path.realpath(self.program_dir)
        self.executable = os.path.join(self.program_dir, "vorhel-colour-picker-test")
        self.screen = VirtualScreen(*self.size).__enter__()
        self._write_work_files()

    def _write_work_files(self):
        """The trace, log, counts and script paths, and the script itself
        with each held frame's release file named as the program sees it."""
        self.trace_path = os.path.join(self.work, "trace")
        self.log_path = os.path.join(self.work, "log")
        self.counts_path = os.path.join(self.work, "counts")
        self.script_path = os.path.join(self.work, "script")
        with open(self.script_path, "w") as script:
            for line in self.script.splitlines():
                words = line.split("#", 1)[0].split()
                if len(words) == 3 and words[0] == "frame" and words[2] == "hold":
                    line = f"frame {words[1]} hold {self.program_path(self.release_path(int(words[1])))}"
                script.write(line + "\n")

    @staticmethod
    def program_path(path):
        """A path of this machine as the program under test names it."""
        return path

    def __exit__(self, *exc):
        if self.process is not None:
            end_process(self.process)
            self.stdout.close()
            self.stderr.close()
        # Ending the screen also ends a clipboard keeper the program left.
        if self.screen is not None:
            self.screen.__exit__(*exc)
        shutil.rmtree(self.work, ignore_errors=True)
        if self.program_root is not None:
            shutil.rmtree(self.program_root, ignore_errors=True)

    def release_path(self, frame):
        return os.path.join(self.work, f"release-{frame}")

    def environment(self):
        env = self.screen.env(KV2D_RECORDER_SCRIPT=self.script_path, VORHEL_TEST_LOG=self.log_path)
        if self.tracing:
            env["KV2D_RECORDER_TRACE"] = self.trace_path
        if self.counts:
            env["KV2D_RECORDER_COUNTS"] = self.counts_path
        # Boxes are logged and answered at once.
        env["VORHEL_TEST_ANSWER_BOXES"] = "1"
        # The engine is found beside the program or not at all.
        env.pop("LD_LIBRARY_PATH", None)
        env.pop("LD_PRELOAD", None)
        env.update(self.extra_env)
        return env

    def start(self):
        command = self.executable
        if self.via_link:
            command = "./picker"
            os.symlink(self.executable, os.path.join(self.cwd, "picker"))
        self.stdout = open(os.path.join(self.work, "stdout"), "wb")
        self.stderr = open(os.path.join(self.work, "stderr"), "wb")
        self.process = subprocess.Popen([command] + ARGUMENTS, cwd=self.cwd, env=self.environment(),
                                        stdin=subprocess.DEVNULL, stdout=self.stdout, stderr=self.stderr)
        return self

    def wait(self):
        """Starts the run if needed and waits for the process to end."""
        if self.process is None:
            self.start()
        try:
            self.returncode = self.process.wait(HANG_GUARD)
        except subprocess.TimeoutExpired:
            end_process(self.process)
            raise AssertionError("the program did not end; trace so far:\n" +
                                 "\n".join(self.trace.lines[-40:]))
        finally:
            self.stdout.close()
            self.stderr.close()
        # What the run left, kept for reading after the temporary files are gone.
        self._ended = {name: read_text(os.path.join(self.work, name))
                       for name in ("trace", "log", "counts", "stderr")}
        return self

    def wait_for_hold(self, frame):
        """Waits until the engine holds at the start of frame."""
        marker = f"hold {frame}"
        if not wait_until(lambda: marker in self.trace.lines or self.process.poll() is not None,
                          HANG_GUARD):
            raise AssertionError(f"frame {frame} was never held")
        if marker not in self.trace.lines:
            raise AssertionError(f"the program ended before frame {frame} was held:\n"
                                 + self.error_output)

    def release(self, frame):
        open(self.release_path(frame), "w").close()

    def _text(self, name):
        if self._ended is not None:
            return self._ended[name]
        return read_text(os.path.join(self.work, name))

    @property
    def trace(self):
        return Trace(self._text("trace"))

    @property
    def log(self):
        return Log(self._text("log"))

    @property
    def error_output(self):
        return self._text("stderr")

    def call_counts(self):
        counts = {}
        for line in self._text("counts").splitlines():
            name, number = line.split(" ")
            counts[name] = int(number)
        return counts

    # What differs between the Linux build and the Windows one, as the
    # scenarios need it (the Windows run overrides these: tests/wine/windows_run.py).

    def program_dir_bytes(self):
        """The program directory as the program itself names it."""
        return os.fsencode(self.program_dir)

    def program_file_bytes(self, name):
        """A file in the program directory as the program names it."""
        return self.program_dir_bytes() + b"/" + os.fsencode(name)

    @staticmethod
    def window_title_bytes(text):
        """The window title's bytes as the window probe reads them."""
        return text.encode("utf-8")

    @staticmethod
    def window_platform_keys(shown):
        """Window-state keys that only this platform's probe writes."""
        return {}

    def opened_page(self, name):
        """What the desktop's opener receives for a page in the program directory."""
        return os.path.join(self.program_dir, name)

    def clipboard(self):
        """The clipboard's text as another program on the display reads it."""
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.screen.env(),
                                capture_output=True, timeout=HANG_GUARD)
        return result.stdout if result.returncode == 0 else None


# --- the Windows build under Wine ---------------------------------------------
# VORHEL_CONTRACT_PLATFORM=windows runs the same scenarios against the Windows
# build (tests/wine/windows_run.py replaces the run and the engine's files).

PLATFORM = os.environ.get("VORHEL_CONTRACT_PLATFORM", "linux")
if PLATFORM == "windows":
    import windows_run
    RecordedRun = windows_run.WindowsRecordedRun
    ENGINE_FILE = windows_run.ENGINE_FILE
    RECORDER_DIR = windows_run.recorder_dir()
    LACKING_RECORDER_DIR = windows_run.lacking_recorder_dir()
    engine_on_search_path = windows_run.engine_on_search_path
