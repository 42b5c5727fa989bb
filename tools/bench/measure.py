"""What bench.py and soak.py read off a Windows program running under Wine, from the Linux side.

Under Wine the Windows process is a Linux process (the loader becomes the program, so the pid
that Popen returns is the Windows process), so its CPU time and resident memory are read from
/proc. Every prefix (tests/e2e/harness.py) has a wineserver of its own, which does part of the
work of each system call, so its share is read too.
"""

import os
import platform
import re
import select
import subprocess
import sys
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "e2e"))

import harness  # noqa: E402

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User plus system CPU time the Linux process has used so far, in seconds."""
    stat = Path(f"/proc/{pid}/stat").read_text()
    fields = stat[stat.rindex(")") + 2 :].split()
    # After the command name: state is field 3; utime and stime are fields 14 and 15.
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def status_kib(pid, field):
    """A figure in kB from /proc/PID/status (VmRSS, VmHWM...), or None."""
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith(field + ":"):
            return int(line.split()[1])
    return None


def open_fds(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def wineserver_pid(bottle):
    """The pid of the bottle's own wineserver, found by its WINEPREFIX."""
    marker = f"\0WINEPREFIX={bottle.env['WINEPREFIX']}\0".encode()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if "wineserver" not in (entry / "comm").read_text():
                continue
            if marker in b"\0" + (entry / "environ").read_bytes():
                return int(entry.name)
        except OSError:
            continue
    return None


def machine():
    """One line on what ran the figures."""
    model = "unknown processor"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    wine = subprocess.run([harness.WINE64, "--version"], capture_output=True, text=True).stdout
    return (
        f"{model}, {os.cpu_count()} cores shared with other developers' test runs, "
        f"{platform.system()} {platform.release()}, {wine.strip()} on Xvfb"
    )


def load_average():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


class MapWatcher:
    """Notes when each top-level X window is mapped: xev listens on the root window for its
    children's MapNotify events, and a thread stamps each with time.monotonic() as it comes."""

    def __init__(self, display):
        self._proc = subprocess.Popen(
            ["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
            env=dict(os.environ, DISPLAY=display),
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            start_new_session=True,
        )
        self._mapped = {}  # X window id -> the times it was mapped (ids are used again)
        self._lock = threading.Lock()
        self._thread = threading.Thread(target=self._read, daemon=True)
        self._thread.start()
        time.sleep(0.5)  # let xev select its events before anything is started

    def _read(self):
        fd = self._proc.stdout.fileno()
        pending = b""
        waiting_for_window = False
        while True:
            ready, _, _ = select.select([fd], [], [], 1.0)
            if not ready:
                if self._proc.poll() is not None:
                    return
                continue
            chunk = os.read(fd, 65536)
            if not chunk:
                return
            stamp = time.monotonic()
            pending += chunk
            *lines, pending = pending.split(b"\n")
            for line in lines:
                if line.startswith(b"MapNotify event"):
                    waiting_for_window = True
                elif waiting_for_window:
                    # "    event 0x..., window 0x..., override NO": the window that was mapped.
                    found = re.search(rb"window (0x[0-9a-f]+)", line)
                    if found:
                        with self._lock:
                            self._mapped.setdefault(int(found.group(1), 16), []).append(stamp)
                    waiting_for_window = False

    def mapped_at(self, window_id, since):
        """When the window was first mapped at or after `since`, or None."""
        with self._lock:
            return next((t for t in self._mapped.get(window_id, []) if t >= since), None)

    def stop(self):
        if self._proc.poll() is None:
            self._proc.kill()
        self._proc.wait()


class Bottle(harness.Prefix):
    """A test prefix as the bench uses it: programs copied into C:\\e2e and started by path."""

    def __init__(self, name):
        super().__init__(name)
        self.programs = self.drive / "e2e"

    def start(self, *args, log_name=None, **kwargs):
        return super().start(*args, **kwargs)

    start_named_process = harness.Prefix.named_process

    def kill(self, proc):
        proc.kill()
        proc.wait()


def wait_for_window(bottle, proc, title_regex, watcher, launched, deadline=harness.DEADLINE):
    """Seconds from `launched` (time.monotonic()) until the window titled title_regex was
    mapped, and its X id."""
    display = bottle.env["DISPLAY"]

    def found():
        if proc.poll() is not None:
            raise RuntimeError(f"{title_regex} ended with status {proc.returncode}")
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title_regex],
                             env=dict(os.environ, DISPLAY=display), capture_output=True).stdout
        return ids.split()[0] if ids else None

    window = int(harness.poll(found, f"the window {title_regex}", deadline))
    stamp = harness.poll(lambda: watcher.mapped_at(window, launched), "its MapNotify", 5.0)
    return stamp - launched, window


def start_program(bottle, exe_path, log_name):
    """Copies a program into the bottle's C:\\e2e and starts it; returns (Popen, launch time)."""
    import shutil

    target = bottle.programs / Path(exe_path).name
    if not target.exists():
        shutil.copy2(exe_path, target)
    launched = time.monotonic()
    proc = bottle.start("C:\\e2e\\" + target.name, log_name=log_name)
    return proc, launched


def read_line(stream, deadline):
    """The first line a pipe gives within deadline seconds (b"" if none)."""
    fd = stream.fileno()
    data = b""
    end = time.monotonic() + deadline
    while b"\n" not in data:
        ready, _, _ = select.select([fd], [], [], max(0.0, end - time.monotonic()))
        if not ready:
            break
        chunk = os.read(fd, 65536)
        if not chunk:
            break
        data += chunk
    return data.split(b"\n", 1)[0].strip()


def stop_cleanly_on_signals():
    """Ctrl-C, SIGTERM and SIGHUP unwind the script (KeyboardInterrupt), so that every Wine
    prefix and Xvfb it started is stopped by the finally blocks on the way out."""
    import signal

    def stop(signum, frame):
        for each in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(each, signal.SIG_IGN)  # let the clean-up finish
        raise KeyboardInterrupt(f"signal {signum}")

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, stop)
