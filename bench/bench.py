#!/usr/bin/env python3
"""The picker side by side with a peer (`yad --color`), on a virtual X screen
of its own (1920 by 1080, 24-bit, no window manager). Run by bench/run after
its release build; see the README's Performance section.

For each program, in turn (A B A B ...; one warm-up pair that is not counted):
  start-up     from launch until the first frame is on screen: the X client
               (vorhel-bench-xprobe) polls one pixel of the root window every
               2 ms; it also notes when the window was mapped
  memory       VmHWM after start-up and after the mouse sweep
  idle CPU     user+system time over 10 s, pointer parked outside the window
  mouse CPU    the same over 1,000 XTest moves 10 ms apart along a Lissajous
               path through the program's own window, for the program and for
               the X server
and once, for the picker (it is deterministic):
  frame cost   instructions per render pass under callgrind, the program run
               against the recording engine in its count-only mode, the
               pointer scripted over the palette

Both programs get the same environment, built from nothing: the same HOME,
DBUS_SESSION_BUS_ADDRESS=disabled:, LANG, XDG_RUNTIME_DIR, DISPLAY, PATH.
"""

import argparse
import json
import os
import platform
import re
import shutil
import signal
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from vorhel_testing import start_xvfb  # noqa: E402

SCREEN = (1920, 1080, 24)
PARK = (1915, 1075)  # outside both windows
QUIET_S = 1.0
SETTLE_S = 1.0
IDLE_S = 10.0
MOVES = 1000
MOVE_INTERVAL_MS = 10
LAUNCH_TIMEOUT_MS = 20000
CALLGRIND_PASSES = 200
TICKS = os.sysconf("SC_CLK_TCK")

# The picker's first frame: the centre of swatch 1 (drawing pixels 530, 240;
# the screen has no desktop scale), opaque red 255, green 128, blue 128.
PICKER_PIXEL = (530, 240)
PICKER_COLOUR = "FF8080"
# The peer's: a pixel of the hue ring of its colour wheel, which its first
# frame paints; its colour is read once in the warm-up and checked to differ
# from the empty screen and from the window's plain background.
PEER_PIXEL = (10, 92)
PEER_BACKGROUND_PIXEL = (5, 5)


class BenchError(Exception):
    pass


def log(text):
    print(text, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- processes

class Session:
    """Everything this run started, so that all of it ends, whatever happens."""

    def __init__(self, build, out):
        self.build = build
        self.out = out
        self.probe = os.path.join(build, "bench", "vorhel-bench-xprobe")
        self.xvfb = None
        self.display = None
        self.groups = set()  # process groups of programs under test

    def start_screen(self):
        width, height, depth = SCREEN
        self.xvfb, self.display = start_xvfb(width, height, depth, "-br")
        log(f"screen: Xvfb {self.display} (pid {self.xvfb.pid}), {width}x{height}x{depth}, no window manager")

    def env(self):
        home = os.path.join(self.out, "home")
        runtime = os.path.join(self.out, "runtime")
        for d in (home, runtime):
            os.makedirs(d, exist_ok=True)
        os.chmod(runtime, 0o700)
        return {
            "PATH": "/usr/local/bin:/usr/bin:/bin",
            "HOME": home,
            "DISPLAY": self.display,
            "DBUS_SESSION_BUS_ADDRESS": "disabled:",
            "LANG": "C.UTF-8",
            "XDG_RUNTIME_DIR": runtime,
        }

    def xprobe(self, *args):
        result = subprocess.run([self.probe, *map(str, args)], env=self.env(), capture_output=True, text=True)
        if result.returncode != 0:
            raise BenchError(f"xprobe {' '.join(map(str, args))}: {result.stderr.strip()}")
        return result.stdout

    def end_group(self, pgid):
        for sig, wait in ((signal.SIGTERM, 3.0), (signal.SIGKILL, 2.0)):
            try:
                os.killpg(pgid, sig)
            except ProcessLookupError:
                break
            deadline = time.monotonic() + wait
            while time.monotonic() < deadline and group_alive(pgid):
                time.sleep(0.05)
            if not group_alive(pgid):
                break
        self.groups.discard(pgid)

    def close(self):
        for pgid in list(self.groups):
            self.end_group(pgid)
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()


def group_alive(pgid):
    try:
        os.killpg(pgid, 0)
    except ProcessLookupError:
        return False
    # A group of zombies is gone for our purposes: its members were reparented
    # and are being reaped.
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    fields = f.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            if int(fields[2]) == pgid and fields[0] != "Z":
                return True
    return False


def cpu_seconds(pid):
    """User plus system time of a process (all its threads), in seconds."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def peak_memory_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    raise BenchError(f"no VmHWM for {pid}")


# ---------------------------------------------------------------- one run

def run_program(session, name, command, pixel, colour):
    """Launches one program and measures it; returns a dict of figures."""
    session.xprobe("move", *PARK)
    # The program before may have just ended: let the X server and the
    # system finish with it, so that every launch starts from a quiet screen.
    time.sleep(QUIET_S)
    launch_log = os.path.join(session.out, f"{name}.log")
    result = subprocess.run(
        [session.probe, "launch", str(pixel[0]), str(pixel[1]), colour, str(LAUNCH_TIMEOUT_MS), launch_log, "--",
         *command],
        env=session.env(), capture_output=True, text=True)
    fields = {}
    for line in result.stdout.splitlines():
        key, _, value = line.partition(" ")
        fields[key] = value
    if "pid" in fields:
        session.groups.add(int(fields["pid"]))
    if result.returncode != 0:
        raise BenchError(f"{name}: {result.stderr.strip()}")
    pid = int(fields["pid"])
    x, y, width, height = map(int, fields["window"].split())
    figures = {"mapped_ms": float(fields["mapped_ms"]), "startup_ms": float(fields["frame_ms"]),
               "window": [x, y, width, height]}
    try:
        time.sleep(SETTLE_S)
        figures["memory_start_mib"] = peak_memory_mib(pid)

        # Idle, with the pointer outside the window.
        before, t0 = cpu_seconds(pid), time.monotonic()
        time.sleep(IDLE_S)
        after, t1 = cpu_seconds(pid), time.monotonic()
        figures["idle_cpu_pct"] = 100.0 * (after - before) / (t1 - t0)

        # The mouse sweep through the window, and a moment for the last moves.
        xpid = session.xvfb.pid
        before, xbefore, t0 = cpu_seconds(pid), cpu_seconds(xpid), time.monotonic()
        session.xprobe("sweep", x, y, width, height, MOVES, MOVE_INTERVAL_MS)
        time.sleep(0.2)
        after, xafter, t1 = cpu_seconds(pid), cpu_seconds(xpid), time.monotonic()
        figures["mouse_cpu_pct"] = 100.0 * (after - before) / (t1 - t0)
        figures["mouse_xserver_cpu_pct"] = 100.0 * (xafter - xbefore) / (t1 - t0)
        figures["mouse_total_cpu_pct"] = figures["mouse_cpu_pct"] + figures["mouse_xserver_cpu_pct"]
        session.xprobe("move", *PARK)
        figures["memory_sweep_mib"] = peak_memory_mib(pid)
    finally:
        session.end_group(pid)
    return figures


def peer_colour(session, command):
    """Runs the peer once to learn the colour its first frame gives the pixel."""
    session.xprobe("move", *PARK)
    launch_log = os.path.join(session.out, "peer-warm-up.log")
    # Any change of the pixel from the empty screen will do to know it is up.
    with open(launch_log, "w") as output:
        proc = subprocess.Popen(command, env=session.env(), stdout=output, stderr=subprocess.STDOUT,
                                start_new_session=True)
    session.groups.add(proc.pid)
    try:
        deadline = time.monotonic() + LAUNCH_TIMEOUT_MS / 1000
        empty = session.xprobe("pixel", PEER_PIXEL[0], PEER_PIXEL[1]).strip()
        while time.monotonic() < deadline:
            time.sleep(0.5)
            if session.xprobe("pixel", PEER_PIXEL[0], PEER_PIXEL[1]).strip() != empty:
                break
        time.sleep(2.0)  # fully drawn
        colour = session.xprobe("pixel", PEER_PIXEL[0], PEER_PIXEL[1]).strip()
        background = session.xprobe("pixel", *PEER_BACKGROUND_PIXEL).strip()
    finally:
        session.end_group(proc.pid)
    if colour in (empty, background):
        raise BenchError(f"the peer's pixel {PEER_PIXEL} shows {colour}, like the empty screen ({empty}) "
                         f"or its background ({background}): it tells nothing about its first frame")
    log(f"peer: first-frame pixel {PEER_PIXEL} is {colour} (empty screen {empty}, window background {background})")
    return colour


# ---------------------------------------------------------------- frame cost

def frame_cost(session, build):
    """Instructions per render pass, from one callgrind run of the real
    executable against the recording engine in its count-only mode."""
    work = os.path.join(session.out, "callgrind")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy2(os.path.join(build, "bin", "vorhel-colour-picker"), work)
    shutil.copy2(os.path.join(build, "recorder", "Kelvaran 2D NOC.so"), work)
    # The pointer goes from swatch to swatch, one a pass, over the whole palette.
    script = [f"frames {CALLGRIND_PASSES}"]
    for n in range(1, CALLGRIND_PASSES + 1):
        k = (n - 1) % 49
        column, row = k // 7, k % 7
        script.append(f"frame {n} mouse {530 + 40 * column} {240 + 40 * row}")
    with open(os.path.join(work, "script.txt"), "w") as f:
        f.write("\n".join(script) + "\n")
    counts = os.path.join(work, "counts.txt")
    out = os.path.join(work, "callgrind.out")
    env = session.env()
    env.update({"KV2D_RECORDER_COUNTS": counts, "KV2D_RECORDER_SCRIPT": os.path.join(work, "script.txt")})
    result = subprocess.run(
        ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", "--toggle-collect=OnRender()",
         os.path.join(work, "vorhel-colour-picker")],
        env=env, cwd=work, capture_output=True, text=True, timeout=600)
    if result.returncode != 0:
        raise BenchError(f"callgrind run failed ({result.returncode}): {result.stderr[-2000:]}")
    passes = 0
    with open(counts) as f:
        for line in f:
            name, _, value = line.partition(" ")
            if name == "Render_EndScene":
                passes = int(value)
    if passes != CALLGRIND_PASSES:
        raise BenchError(f"callgrind run made {passes} render passes, not {CALLGRIND_PASSES}")
    total, engine = split_callgrind(out, program="vorhel-colour-picker", engine="Kelvaran 2D NOC.so")
    return {"passes": passes, "instructions_per_pass": total / passes,
            "program_instructions_per_pass": (total - engine) / passes,
            "engine_instructions_per_pass": engine / passes}


def split_callgrind(path, program, engine):
    """Total instructions collected, and the part spent inside calls from the
    program into the engine: the inclusive costs of those calls, less those of
    the program's routines that the engine called back from inside them (the
    render pass itself runs inside the call that starts the engine's loop)."""
    names = {"ob": {}, "cob": {}}
    ob = cob = None
    total = 0
    in_engine = 0
    pending_call = None  # (caller object, callee object) for the next cost line
    compressed = re.compile(r"\((\d+)\)(?: (.*))?")

    def resolve(kind, value):
        m = compressed.fullmatch(value)
        if not m:
            return value
        table = names["ob"]  # ob and cob share one table of object names
        if m.group(2) is not None:
            table[m.group(1)] = m.group(2)
        return table.get(m.group(1), value)

    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("ob="):
                ob = resolve("ob", line[3:])
                cob = None
            elif line.startswith("cob="):
                cob = resolve("cob", line[4:])
            elif line.startswith("calls="):
                pending_call = (ob, cob if cob is not None else ob)
                cob = None
            elif line[0].isdigit() or line[0] in "+-*":
                parts = line.split()
                cost = int(parts[1]) if len(parts) > 1 else 0
                if pending_call is not None:
                    caller, callee = pending_call
                    caller, callee = os.path.basename(caller or ""), os.path.basename(callee or "")
                    if caller == program and callee == engine:
                        in_engine += cost
                    elif caller == engine and callee == program:
                        in_engine -= cost  # a routine of the program that the engine called back
                    pending_call = None
                else:
                    total += cost
            elif line.startswith(("fn=", "fl=", "fi=", "fe=", "cfn=", "cfi=", "cfl=")):
                continue
    return total, in_engine


# ---------------------------------------------------------------- the table

def summary(values):
    return statistics.median(values), min(values), max(values)


def fmt(value, digits):
    return f"{value:.{digits}f}"


def table(pairs, cost, goals):
    rows = [
        ("start-up, window mapped (ms)", "mapped_ms", 0),
        ("start-up, first frame (ms)", "startup_ms", 0),
        ("peak memory after start-up (MiB)", "memory_start_mib", 1),
        ("peak memory after sweep (MiB)", "memory_sweep_mib", 1),
        ("idle CPU (% of a core)", "idle_cpu_pct", 2),
        ("mouse CPU, program (%)", "mouse_cpu_pct", 1),
        ("mouse CPU, X server (%)", "mouse_xserver_cpu_pct", 1),
        ("mouse CPU, program + X (%)", "mouse_total_cpu_pct", 1),
    ]
    header = ("figure", "picker median [min-max]", "peer median [min-max]", "picker/peer, pair by pair", "goal")
    lines = []
    for title, key, digits in rows:
        a = [p["picker"][key] for p in pairs]
        b = [p["peer"][key] for p in pairs]
        am, alo, ahi = summary(a)
        bm, blo, bhi = summary(b)
        ratios = " ".join(fmt(x / y, 2) if y > 0 else "-" for x, y in zip(a, b))
        lines.append((title, f"{fmt(am, digits)} [{fmt(alo, digits)}-{fmt(ahi, digits)}]",
                      f"{fmt(bm, digits)} [{fmt(blo, digits)}-{fmt(bhi, digits)}]", ratios, goals.get(key, "")))
    if cost is not None:
        lines.append(("frame cost, program alone (Ir/pass)", f"{cost['program_instructions_per_pass']:.0f}", "-",
                      "-", goals.get("frame", "")))
        lines.append(("frame cost, with counting engine (Ir/pass)", f"{cost['instructions_per_pass']:.0f}", "-",
                      "-", ""))
    widths = [max(len(str(r[i])) for r in [header, *lines]) for i in range(len(header))]
    out = []
    sep = "+" + "+".join("-" * (w + 2) for w in widths) + "+"
    out.append(sep)
    out.append("| " + " | ".join(str(h).ljust(w) for h, w in zip(header, widths)) + " |")
    out.append(sep)
    for r in lines:
        out.append("| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |")
    out.append(sep)
    return "\n".join(out)


def check_goals(pairs, cost):
    """Each goal with the medians of this run; returns (goal texts by key, verdict lines)."""
    def med(who, key):
        return statistics.median(p[who][key] for p in pairs)

    verdicts = []
    texts = {}

    def goal(key, text, ok):
        texts[key] = f"{text}: {'met' if ok else 'NOT met'}"
        verdicts.append((key, ok))

    goal("startup_ms", "<= 0.5 x peer", med("picker", "startup_ms") <= 0.5 * med("peer", "startup_ms"))
    mem = med("picker", "memory_sweep_mib")
    goal("memory_sweep_mib", "<= 0.75 x peer, <= 24 MiB",
         mem <= 0.75 * med("peer", "memory_sweep_mib") and mem <= 24.0)
    goal("idle_cpu_pct", "<= 0.1", med("picker", "idle_cpu_pct") <= 0.1)
    goal("mouse_total_cpu_pct", "<= 0.5 x peer",
         med("picker", "mouse_total_cpu_pct") <= 0.5 * med("peer", "mouse_total_cpu_pct"))
    if cost is not None:
        # The program's own work: thousands of instructions a pass, not the
        # hundreds of thousands or millions of a pass that rasterizes.
        goal("frame", "in the thousands", cost["program_instructions_per_pass"] < 100000)
    return texts, verdicts


def machine():
    model = "unknown CPU"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    with open("/proc/meminfo") as f:
        memory_kib = int(f.readline().split()[1])
    debian = ""
    try:
        with open("/etc/debian_version") as f:
            debian = "Debian " + f.read().strip()
    except OSError:
        pass
    load = os.getloadavg()[0]
    return (f"{model}, {os.cpu_count()} cores, {memory_kib / 1048576:.0f} GiB, {debian}, "
            f"kernel {platform.release()}, load average {load:.1f} at the start")


def versions():
    def package(name):
        r = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True, text=True)
        return r.stdout.strip() or "?"
    return f"yad {package('yad')}, Xvfb {package('xvfb')}, SDL2 {package('libsdl2-2.0-0')}"


# ---------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--pairs", type=int, default=9)
    parser.add_argument("--no-frame-cost", action="store_true", help="skip the callgrind run")
    args = parser.parse_args()
    if args.pairs < 5:
        parser.error("--pairs must be at least 5: the medians need them")

    build = os.path.abspath(args.build)
    out = os.path.join(build, "bench-out")
    shutil.rmtree(os.path.join(out, "home"), ignore_errors=True)  # the same fresh HOME for both
    os.makedirs(out, exist_ok=True)
    picker = [os.path.join(build, "bin", "vorhel-colour-picker")]
    peer = ["yad", "--color"]

    def stop(signum, _frame):
        raise SystemExit(128 + signum)
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    session = Session(build, out)
    started = time.strftime("%Y-%m-%d %H:%M:%S")
    where = machine()
    try:
        session.start_screen()
        env = session.env()
        log("environment of both programs (and nothing else): " +
            " ".join(f"{k}={v}" for k, v in sorted(env.items())))
        colour = peer_colour(session, peer)
        programs = {"picker": (picker, PICKER_PIXEL, PICKER_COLOUR), "peer": (peer, PEER_PIXEL, colour)}
        pairs = []
        for n in range(args.pairs + 1):
            pair = {}
            for name in ("picker", "peer"):
                command, pixel, expected = programs[name]
                pair[name] = run_program(session, name, command, pixel, expected)
                f = pair[name]
                log(f"{'warm-up' if n == 0 else f'pair {n}'} {name}: first frame {f['startup_ms']:.0f} ms, "
                    f"{f['memory_sweep_mib']:.1f} MiB, idle {f['idle_cpu_pct']:.2f}%, "
                    f"mouse {f['mouse_cpu_pct']:.1f}% + X {f['mouse_xserver_cpu_pct']:.1f}%")
            if n > 0:
                pairs.append(pair)
        cost = None
        if not args.no_frame_cost:
            log("frame cost: callgrind run of the picker against the recording engine ...")
            cost = frame_cost(session, build)
    finally:
        session.close()

    goals, verdicts = check_goals(pairs, cost)
    text = table(pairs, cost, goals)
    header = (f"Picker (vorhel-colour-picker) and peer (yad --color), {len(pairs)} pairs A B after a warm-up pair, "
              f"{started}\nMachine: {where}\nVersions: {versions()}\n"
              f"Screen: Xvfb {SCREEN[0]}x{SCREEN[1]}x{SCREEN[2]}, no window manager; both programs with the same "
              f"HOME, DBUS_SESSION_BUS_ADDRESS=disabled:, LANG=C.UTF-8")
    if cost is not None:
        header += (f"\nFrame cost: {cost['passes']} render passes under callgrind against the recording engine "
                   f"(count-only), the pointer over the palette; the program alone is the pass less the calls into "
                   f"the engine ({cost['engine_instructions_per_pass']:.0f} Ir/pass); the peer has no such engine")
    print(header)
    print(text)
    raw = {"started": started, "machine": where, "versions": versions(), "pairs": pairs, "frame_cost": cost,
           "goals": {k: ok for k, ok in verdicts}}
    stamp = time.strftime("%Y%m%d-%H%M%S")
    with open(os.path.join(out, f"results-{stamp}.json"), "w") as f:
        json.dump(raw, f, indent=1)
    with open(os.path.join(out, "table.txt"), "w") as f:
        f.write(header + "\n" + text + "\n")
    log(f"raw numbers: {os.path.join(out, f'results-{stamp}.json')}")
    return 0 if all(ok for _, ok in verdicts) else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BenchError as error:
        log(f"bench: {error}")
        sys.exit(2)
