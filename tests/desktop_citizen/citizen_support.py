"""What these tests share: a seed that each long run prints (set
VORHEL_SOAK_SEED to repeat one), the program's memory read from /proc while
it runs, and how much memory may grow once a run has warmed up."""

import os
import random
import threading
import time


# Growth of the peak resident memory allowed once a run has warmed up.
MEMORY_GROWTH_LIMIT_KIB = 1024


def seeded_random(test_name):
    seed = int(os.environ.get("VORHEL_SOAK_SEED") or random.SystemRandom().randrange(2**32))
    print(f"\n{test_name}: seed {seed} (VORHEL_SOAK_SEED={seed} repeats this run)", flush=True)
    return random.Random(seed)


def memory_kib(pid):
    """(VmHWM, VmRSS) of a running process in KiB; None once it has ended."""
    fields = {}
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                key, _, value = line.partition(":")
                if key in ("VmHWM", "VmRSS"):
                    fields[key] = int(value.split()[0])
    except (FileNotFoundError, ProcessLookupError):
        return None
    if len(fields) != 2:
        return None  # a zombie has no memory left to report
    return fields["VmHWM"], fields["VmRSS"]


class MemorySampler:
    """Samples a process's resident memory in the background for the report."""

    def __init__(self, pid, interval=0.25):
        self.pid, self.interval = pid, interval
        self.samples = []  # (seconds since start, VmHWM, VmRSS)
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._start = time.monotonic()

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()

    def _run(self):
        while not self._stop.is_set():
            memory = memory_kib(self.pid)
            if memory is not None:
                self.samples.append((time.monotonic() - self._start, *memory))
            self._stop.wait(self.interval)

    def summary(self):
        if not self.samples:
            return "no samples"
        rss = [s[2] for s in self.samples]
        return (f"{len(self.samples)} samples of VmRSS: first {rss[0]} KiB, lowest {min(rss)} KiB, "
                f"highest {max(rss)} KiB, last {rss[-1]} KiB")
