"""The contract tests' run (recorded_run.RecordedRun) for the Windows build
under Wine, chosen by VORHEL_CONTRACT_PLATFORM=windows.

Everything in which the two builds differ, as the scenarios see it, is here:
the program's own paths (drive Z:, backslashes, GBK), the window's title
(ANSI bytes instead of UTF-8), the Win32 keys the Windows probe adds to the
window state, and the address the desktop's opener receives (a file:// URL
from Wine's browser bridge)."""

import os
import shutil
import subprocess
import tempfile

import recorded_run
from vorhel_testing import end_process
from wine_session import shared_session, windows_build, windows_path, windows_path_bytes

ENGINE_FILE = "Kelvaran 2D NOC.dll"
EXECUTABLE = "vorhel-colour-picker-test.exe"


def recorder_dir():
    return windows_build("recorder")


def lacking_recorder_dir():
    return windows_build("recorder-lacking")


# Style bits that Windows adds by itself: WS_CLIPSIBLINGS to every top-level
# window, WS_EX_WINDOWEDGE to a window with a dialog frame.
WS_CLIPSIBLINGS = 0x04000000
WS_VISIBLE = 0x10000000
WS_EX_WINDOWEDGE = 0x00000100
# WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN
MAIN_WINDOW_STYLE = 0x00C00000 | 0x00080000 | 0x00020000 | 0x02000000

# The programs Wine itself needs when a test narrows PATH.
WINE_TOOLS = ("wine", "wineserver", "qemu-i386", "sh", "dirname")


_RECORDER = object()


class WindowsRecordedRun(recorded_run.RecordedRun):

    def __init__(self, script="", engine=_RECORDER, **options):
        super().__init__(script, engine=recorder_dir() if engine is _RECORDER else engine, **options)

    # --- what differs, as the scenarios ask for it ---

    def program_dir_bytes(self):
        return windows_path_bytes(self.program_dir)

    def program_file_bytes(self, name):
        return self.program_dir_bytes() + b"\\" + name.encode("gbk")

    @staticmethod
    def window_title_bytes(text):
        return text.encode("gbk")

    @staticmethod
    def window_platform_keys(shown):
        style = MAIN_WINDOW_STYLE | WS_CLIPSIBLINGS | (WS_VISIBLE if shown else 0)
        return {"style": f"{style:08X}", "exstyle": f"{WS_EX_WINDOWEDGE:08X}", "icons": "big,small",
                "icon": "48x48x32", "ole": "1"}

    def opened_page(self, name):
        return "file://" + os.path.join(self.program_dir, name)

    # --- the run itself ---

    def _prepare(self):
        self.cwd = os.path.join(self.work, "elsewhere")
        os.mkdir(self.cwd)
        self.program_root = tempfile.mkdtemp(prefix="vorhel-")
        self.program_dir = self.program_root
        if self.program_subdir:
            self.program_dir = os.path.join(self.program_root, self.program_subdir)
            os.mkdir(self.program_dir)
        self.program_dir = os.path.realpath(self.program_dir)
        shutil.copy2(windows_build("bin", EXECUTABLE), self.program_dir)
        shutil.copy2(windows_build("bin", "engine.html"), self.program_dir)
        if self.engine is not None:
            shutil.copy2(os.path.join(self.engine, ENGINE_FILE), self.program_dir)
        self.executable = os.path.join(self.program_dir, EXECUTABLE)
        self.screen = shared_session(*self.size)
        self._write_work_files()

    @staticmethod
    def program_path(path):
        return windows_path(path)

    def __exit__(self, *exc):
        if self.process is not None:
            end_process(self.process)
            self.stdout.close()
            self.stderr.close()
        # The session outlives the run; a box or window the run left behind
        # goes with its process.
        self.screen = None
        shutil.rmtree(self.work, ignore_errors=True)
        if self.program_root is not None:
            shutil.rmtree(self.program_root, ignore_errors=True)

    def environment(self):
        env = self.screen.env(KV2D_RECORDER_SCRIPT=windows_path(self.script_path),
                              VORHEL_TEST_LOG=windows_path(self.log_path),
                              VORHEL_TEST_ANSWER_BOXES="1")
        if self.tracing:
            env["KV2D_RECORDER_TRACE"] = windows_path(self.trace_path)
        if self.counts:
            env["KV2D_RECORDER_COUNTS"] = windows_path(self.counts_path)
        extra = dict(self.extra_env)
        if "PATH" in extra:
            extra["PATH"] += os.pathsep + self._wine_tools()
        env.update(extra)
        return env

    def _wine_tools(self):
        tools = os.path.join(self.work, "wine-tools")
        os.makedirs(tools, exist_ok=True)
        for tool in WINE_TOOLS:
            found = shutil.which(tool)
            if found and not os.path.exists(os.path.join(tools, tool)):
                os.symlink(found, os.path.join(tools, tool))
        return tools

    def start(self):
        # Windows has no symbolic links to start through: via_link starts the
        # program by a relative path from the other directory instead.
        command = os.path.relpath(self.executable, self.cwd) if self.via_link else self.executable
        self.stdout = open(os.path.join(self.work, "stdout"), "wb")
        self.stderr = open(os.path.join(self.work, "stderr"), "wb")
        self.process = self.screen.start([command] + recorded_run.ARGUMENTS, env=self.environment(), cwd=self.cwd,
                                         stdout=self.stdout, stderr=self.stderr)
        return self

    def clipboard(self):
        return self.screen.clipboard_text()


def engine_on_search_path():
    # The prefix holds no engine library of its own.
    return False
