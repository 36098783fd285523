"""Wine for the tests: the 32-bit prefix, and sessions that run the Windows
build on a private virtual screen.

    with WineSession(1920, 1080) as wine:
        process = wine.start([wine.windows_build("bin", "vorhel-colour-picker-test.exe")], ...)

A session is one Xvfb and one persistent wineserver on the shared prefix;
every Wine process of the session shows its windows on that screen, where
Wine's desktop process (which also serves the X clipboard) lives. Ending the
session ends every Wine process (wineserver -k) and the screen.

Where this machine cannot run 32-bit x86 code (a kernel without IA-32
emulation), 32-bit Wine runs under user-mode emulation instead; see
emulated/README.md. The tests are the same either way.

Run as a script, "prepare" makes the prefix (once per build tree)."""

import atexit
import os
import shutil
import signal
import subprocess
import sys
import tempfile

from vorhel_testing import VirtualScreen, read_text, wait_until

BUILD_DIR = os.environ.get("VORHEL_BUILD_DIR", "")
WINDOWS_BUILD_DIR = os.environ.get("VORHEL_WINDOWS_BUILD_DIR", "")
WINE_DIR = os.environ.get("VORHEL_WINE_DIR", os.path.join(BUILD_DIR, "wine"))
PREFIX = os.path.join(WINE_DIR, "prefix")
# Wine converts file names with the C library's locale: a UTF-8 one for the
# zh_CN of the session, compiled here, so that nothing of the system changes.
LOCALE_DIR = os.path.join(WINE_DIR, "locale")
LOCALE = "zh_CN.UTF-8"
EMULATED_DIR = os.path.join(WINE_DIR, "emulated")
SHIM_SOURCE = os.environ.get("VORHEL_WINE_SHIM_SOURCE",
                             os.path.join(os.path.dirname(os.path.abspath(__file__)), "emulated", "kernel_differences.c"))

NATIVE_LOADER = "/usr/lib/wine/wine"     # Debian's 32-bit loader (wine32:i386)
NATIVE_SERVER = "/usr/lib/wine/wineserver64"
I386_LIBRARIES = "/usr/lib/i386-linux-gnu"

# Guards against a hung Wine, never a measure of anything: any run, and the
# start of a session (its desktop and services).
WINE_GUARD = 600
START_GUARD = 240

HELPER = "wine-helper.exe"


class WineMissing(AssertionError):
    """Wine, the emulator or the Windows build is not there: a failure, never a skip."""


def windows_build(*parts):
    if not WINDOWS_BUILD_DIR:
        raise WineMissing("VORHEL_WINDOWS_BUILD_DIR is not set: no Windows build to run")
    path = os.path.join(WINDOWS_BUILD_DIR, *parts)
    if not os.path.exists(path):
        raise WineMissing(f"{path} is missing: build the Windows build first (cmake --build --preset windows)")
    return path


def windows_path(path):
    """The path as a Windows program sees a file of this machine (drive Z: is /)."""
    return "Z:" + os.path.realpath(path).replace("/", "\\")


def windows_path_bytes(path):
    """windows_path in the ANSI code page of our sessions (GBK)."""
    return windows_path(path).encode("gbk")


# --- how 32-bit Wine runs here -----------------------------------------------

class Runner:
    def __init__(self, wine, wineserver, emulated):
        self.wine, self.wineserver, self.emulated = wine, wineserver, emulated


def _runs_natively():
    try:
        result = subprocess.run([NATIVE_LOADER, "--version"], stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=WINE_GUARD)
    except OSError:
        return False
    return result.returncode == 0 and result.stdout.startswith(b"wine-")


def _emulated_runner():
    """32-bit Wine under qemu-i386, set up in the build tree.

    Wine starts its processes by running the loader found beside itself under
    the name it was started by. So the tree holds the real loader under
    another name (wine-i386) and a script named wine that starts it under the
    emulator with that name; the 32-bit libraries and Wine's data are reached
    through links, as Wine finds them relative to its loader. Wine's server
    is the native 64-bit one, which serves 32-bit clients."""
    for tool, package in (("qemu-i386", "qemu-user"), ("cc", "gcc")):
        if shutil.which(tool) is None:
            raise WineMissing(f"{tool} is missing (package {package}): needed to run 32-bit Wine here")
    for path, package in ((NATIVE_LOADER, "wine32:i386"), (NATIVE_SERVER, "wine64")):
        if not os.path.exists(path):
            raise WineMissing(f"{path} is missing (package {package})")
    lib = os.path.join(EMULATED_DIR, "lib")
    bin_dir = os.path.join(lib, "wine")
    os.makedirs(bin_dir, exist_ok=True)
    os.makedirs(os.path.join(EMULATED_DIR, "sysroot", "etc"), exist_ok=True)
    for link, target in ((os.path.join(lib, "i386-linux-gnu"), I386_LIBRARIES),
                         (os.path.join(EMULATED_DIR, "share"), "/usr/share"),
                         (os.path.join(bin_dir, "wineserver"), NATIVE_SERVER)):
        if not os.path.islink(link):
            os.symlink(target, link)
    shutil.copy2(NATIVE_LOADER, os.path.join(bin_dir, "wine-i386"))
    shim = os.path.join(bin_dir, "kernel_differences.so")
    subprocess.run(["cc", "-m32", "-O2", "-fPIC", "-shared", "-nostdlib", "-ffreestanding",
                    "-Wall", "-Wextra", "-Werror", "-o", shim, SHIM_SOURCE], check=True)
    with open(os.path.join(EMULATED_DIR, "sysroot", "etc", "ld.so.preload"), "w") as preload:
        preload.write(shim + "\n")
    script = os.path.join(bin_dir, "wine")
    with open(script, "w") as out:
        out.write('#!/bin/sh\n'
                  '# 32-bit Wine under user-mode emulation (tests/wine/wine_session.py).\n'
                  'here=$(dirname "$0")\n'
                  'WINELOADERNOEXEC=1 exec qemu-i386 -L "$here/../../sysroot" -0 "$here/wine" '
                  '"$here/wine-i386" "$@"\n')
    os.chmod(script, 0o755)
    return Runner([script], os.path.join(bin_dir, "wineserver"), True)


_runner = None


def runner():
    global _runner
    if _runner is None:
        if shutil.which("wine") is None:
            raise WineMissing("wine is missing (packages wine, wine32:i386, wine64)")
        if _runs_natively():
            _runner = Runner(["wine"], "wineserver", False)
        else:
            _runner = _emulated_runner()
    return _runner


# --- the prefix ----------------------------------------------------------------

def base_env(display=None):
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": PREFIX,
        "WINEARCH": "win32",
        "WINEDEBUG": "-all",
        # No .NET or Gecko installers; no menu entries; no debugger for crashes.
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d",
        # Wine's ANSI code page becomes 936 (GBK); file names stay UTF-8.
        "LC_ALL": LOCALE,
        "LOCPATH": LOCALE_DIR,
        "DBUS_SESSION_BUS_ADDRESS": "disabled:",
    })
    for name in ("WINELOADER", "WINESERVER", "WINELOADERNOEXEC", "LD_PRELOAD"):
        env.pop(name, None)
    if display is not None:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def _wine_run(env, args, log):
    return subprocess.run(runner().wine + args, env=env, stdin=subprocess.DEVNULL, stdout=log,
                          stderr=subprocess.STDOUT, timeout=WINE_GUARD).returncode


def _end_server(env):
    subprocess.run([runner().wineserver, "-k"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=WINE_GUARD)
    subprocess.run([runner().wineserver, "-w"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=WINE_GUARD)
    # A process that hung before it reached the server is unknown to it:
    # every process still running on our prefix is ended by its id.
    for pid in _processes_on_prefix(env["WINEPREFIX"]):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def _processes_on_prefix(prefix):
    marker = b"\0WINEPREFIX=" + os.fsencode(prefix) + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as environ:
                if marker in b"\0" + environ.read():
                    found.append(int(entry))
        except OSError:
            pass
    return found


STAMP = os.path.join(WINE_DIR, "prefix-ready")


def prepare():
    """Makes the prefix if this build tree has none: 32-bit, .html opened by
    the desktop's browser through winebrowser."""
    windows_build("bin", "vorhel-colour-picker-test.exe")
    windows_build("wine", HELPER)
    wine = runner()
    if os.path.exists(STAMP) and os.path.isdir(PREFIX):
        return
    if not os.path.isdir(os.path.join(LOCALE_DIR, LOCALE)):
        os.makedirs(LOCALE_DIR, exist_ok=True)
        result = subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8", os.path.join(LOCALE_DIR, LOCALE)],
                                capture_output=True, text=True)
        if not os.path.isdir(os.path.join(LOCALE_DIR, LOCALE)):
            raise WineMissing("cannot compile the zh_CN.UTF-8 locale (package locales): " + result.stderr)
    shutil.rmtree(PREFIX, ignore_errors=True)
    os.makedirs(WINE_DIR, exist_ok=True)
    log_path = os.path.join(WINE_DIR, "prepare.log")
    with VirtualScreen(1024, 768) as screen, open(log_path, "wb") as log:
        env = base_env(screen.display)
        try:
            _wine_run(env, ["wineboot", "-i"], log)
            _wine_run(env, ["reg", "add", "HKCR\\.html", "/ve", "/d", "htmlfile", "/f"], log)
        finally:
            _end_server(env)
    if not os.path.exists(os.path.join(PREFIX, "system.reg")):
        raise WineMissing(f"wineboot made no prefix in {PREFIX}; see {log_path}")
    if "htmlfile" not in read_text(os.path.join(PREFIX, "system.reg")):
        raise WineMissing(f".html is not associated in the prefix; see {log_path}")
    with open(STAMP, "w") as stamp:
        stamp.write("emulated\n" if wine.emulated else "native\n")


# --- sessions ------------------------------------------------------------------

class WineSession:
    """One virtual screen and one persistent Wine server on the prefix."""

    def __init__(self, width=1920, height=1080):
        self.size = (width, height)
        self.screen = None
        self.work = None

    def __enter__(self):
        if not os.path.exists(STAMP):
            raise WineMissing(f"no Wine prefix in {PREFIX}: the test wine.prefix makes it")
        self.wine = runner()
        self.work = tempfile.mkdtemp(prefix="vorhel-wine-")
        self.screen = VirtualScreen(*self.size).__enter__()
        self._env = base_env(self.screen.display)
        try:
            # Persistent, so that the session's desktop and services stay up
            # between runs; its streams lead nowhere, so it holds no test's pipe.
            subprocess.Popen([self.wine.wineserver, "-p"], env=self._env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True).wait(
                WINE_GUARD)
            # The first process starts the desktop and the services, which
            # live on with the session: nothing of them may hold a pipe.
            # Under emulation that start now and then hangs; a second start
            # of the whole session follows a hung first one.
            for attempt in (1, 2):
                try:
                    code, out = self.run_helper("clipboard", guard=START_GUARD)
                    break
                except subprocess.TimeoutExpired:
                    if attempt == 2:
                        raise
                    _end_server(self._env)
                    subprocess.Popen([self.wine.wineserver, "-p"], env=self._env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     start_new_session=True).wait(WINE_GUARD)
            if code != 0 or not out.strip():
                raise WineMissing(f"Wine runs nothing here (exit code {code}, output {out!r})")
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        if self.screen is not None:
            _end_server(self._env)
            self.screen.__exit__(*exc)
            self.screen = None
        if self.work is not None:
            shutil.rmtree(self.work, ignore_errors=True)
            self.work = None

    @property
    def display(self):
        return self.screen.display

    def env(self, **extra):
        env = dict(self._env)
        env.update({k: str(v) for k, v in extra.items()})
        return env

    def start(self, args, env=None, cwd=None, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL):
        """Starts a Windows program (args[0] a path of this machine); its
        streams must be files or nothing, never pipes."""
        return subprocess.Popen(self.wine.wine + list(args), env=env or self.env(), cwd=cwd or self.work,
                                stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr)

    def run_helper(self, *args, guard=WINE_GUARD):
        """Runs the Win32 helper to its end; returns its exit code and output."""
        out_path = os.path.join(self.work, "helper-out")
        with open(out_path, "wb") as out:
            process = self.start([windows_build("wine", HELPER)] + list(args), stdout=out)
            try:
                code = process.wait(guard)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise
        with open(out_path, encoding="latin-1") as out:
            return code, out.read()

    def helper_word(self, *args):
        """The helper's answer: the value after "text=", or its first line."""
        code, out = self.run_helper(*args)
        for line in out.splitlines():
            if line.startswith("text="):
                return bytes.fromhex(line[5:])
        return out.strip().splitlines()[0] if out.strip() else None

    def box_text(self, title):
        """The text of the open message box with this title (GBK bytes), or None."""
        answer = self.helper_word("box-text", title.hex().upper())
        return answer if isinstance(answer, bytes) else None

    def clipboard_text(self):
        """The Windows clipboard's CF_TEXT, as another Windows program reads it."""
        answer = self.helper_word("clipboard")
        return answer if isinstance(answer, bytes) else None

    def x_clipboard_text(self):
        """The clipboard as an X program on the session's screen reads it."""
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.screen.env(),
                                capture_output=True, timeout=WINE_GUARD)
        return result.stdout if result.returncode == 0 else None


_sessions = {}


def shared_session(width=1920, height=1080):
    """A session of this screen size for the rest of the test process (one at
    a time: asking for another size ends the one before)."""
    key = (width, height)
    if key not in _sessions:
        for session in _sessions.values():
            session.__exit__(None, None, None)
        _sessions.clear()
        _sessions[key] = WineSession(width, height).__enter__()
    return _sessions[key]


@atexit.register
def _end_shared_sessions():
    for session in _sessions.values():
        session.__exit__(None, None, None)
    _sessions.clear()


if __name__ == "__main__":
    if sys.argv[1:] != ["prepare"]:
        sys.exit("usage: wine_session.py prepare")
    prepare()
    print(f"Wine prefix ready in {PREFIX} ({'emulated' if runner().emulated else 'native'} 32-bit Wine)")
