#!/usr/bin/env python3
"""Measures tavori.exe against the floor program under Wine (make bench), or watches one long
run of it for leaks (make soak). Prints figures and judges none.

    tools/bench/bench.py [--seconds 60] [--starts 7] [--calls 300]
    tools/bench/bench.py --soak MINUTES [--every 10]

The floor (tavori-floor.exe) is a bare window of TAVORI's size running the same seven WMI probes
a second, written plainly: the least such a monitor can cost.
  probe     tavori-probe-bench.exe: TAVORI's IsProcessRunning and the plain probe taking turns,
            while a process named mepops.exe runs: the median and 99th percentile of a call.
  steady    both programs at once, each in its own Wine prefix: CPU time over --seconds after a
            5 s settle, and resident memory (VmRSS) when that time starts and ends.
  start-up  the wine64 command to the window's MapNotify on the X server, median of --starts
            starts each, taking turns, after one start each that only warms the caches.
  size      the exe files.
Under Wine the Windows process is a Linux process (the loader becomes the program), so its CPU
time, memory and open descriptors are read from /proc. The soak samples those every --every
seconds, its wineserver's memory (where Wine keeps the process's handles and windows), and the
handles, GDI and USER objects that tavori-resources.exe reads where the system counts them.
"""

import argparse
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
import wine  # noqa: E402

BUILD = wine.EXES["x64"][0].parent
EXES = {"TAVORI": BUILD / "tavori.exe", "floor": BUILD / "tavori-floor.exe"}
TITLES = {"TAVORI": "^TAVORI$", "floor": "^TAVORI floor$"}


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")  # utime + stime


def rss_kib(pid):
    return int(re.search(r"VmRSS:\s+(\d+)", Path(f"/proc/{pid}/status").read_text())[1])


def wineserver_pid(prefix):
    marker = f"\0WINEPREFIX={prefix.env['WINEPREFIX']}\0".encode()
    for entry in Path("/proc").glob("[0-9]*"):
        try:
            if "wineserver" in (entry / "comm").read_text() and \
                    marker in b"\0" + (entry / "environ").read_bytes():
                return int(entry.name)
        except OSError:
            pass
    raise RuntimeError("the prefix's wineserver is not running")


class MapWatcher:
    """When each top-level X window was mapped: xev reports the MapNotify events of the root
    window's children, and a thread stamps each with time.monotonic() as it comes."""

    def __init__(self, display):
        self.proc = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                                     env=dict(os.environ, DISPLAY=display),
                                     stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        self.mapped = {}  # X window id: the times it was mapped (ids are used again)
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        stamp = None
        for line in self.proc.stdout:
            if line.startswith(b"MapNotify event"):
                stamp = time.monotonic()
            elif stamp and (found := re.search(rb"window (0x[0-9a-f]+)", line)):
                self.mapped.setdefault(int(found[1], 16), []).append(stamp)
                stamp = None

    def start(self, prefix, name):
        """Starts a program in the prefix; returns it and the seconds until its window mapped."""
        shutil.copy2(EXES[name], prefix.drive / "e2e")
        launched = time.monotonic()
        proc = prefix.start("C:\\e2e\\" + EXES[name].name)

        def window():
            assert proc.poll() is None, f"{name} ended with status {proc.returncode}"
            ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLES[name]],
                                 env=prefix.env, capture_output=True).stdout
            return int(ids.split()[0]) if ids else None

        found = wine.poll(window, f"the {name} window")
        mapped = wine.poll(lambda: next((t for t in self.mapped.get(found, [])
                                            if t >= launched), None), "its MapNotify", 5.0)
        return proc, mapped - launched

    def stop(self):
        self.proc.kill()
        self.proc.wait()


def probe(calls):
    prefix = wine.Prefix("bench-probe")
    try:
        prefix.named_process("mepops.exe")
        shutil.copy2(BUILD / "tavori-probe-bench.exe", prefix.drive / "e2e")
        status, out = prefix.run(r"C:\e2e\tavori-probe-bench.exe", "mepops.exe", calls)
        assert status == 0, f"tavori-probe-bench.exe: status {status}: {out}"
        ways = {w[0]: w[1:] for w in (line.split() for line in out.splitlines()) if len(w) == 4}
        assert all(found == "1" for *_, found in ways.values()), f"mepops.exe not found: {out}"
        return [(f"one probe, {label}, µs", float(ways["IsProcessRunning"][i]),
                 float(ways["plain-wmi"][i])) for i, label in ((0, "median"), (1, "99th pct"))]
    finally:
        prefix.close()


def steady(watcher, seconds):
    """Both programs at once, so that whatever else the machine does falls on both."""
    prefixes = {name: wine.Prefix(f"bench-steady-{name}") for name in EXES}
    try:
        procs = {name: watcher.start(prefix, name)[0] for name, prefix in prefixes.items()}
        time.sleep(5.0)  # past the first probes, which load WMI's libraries
        start = {name: (cpu_seconds(p.pid), rss_kib(p.pid)) for name, p in procs.items()}
        time.sleep(seconds)
        end = {name: (cpu_seconds(p.pid), rss_kib(p.pid)) for name, p in procs.items()}
    finally:
        for prefix in prefixes.values():
            prefix.close()
    cpu = [round(end[n][0] - start[n][0], 2) for n in EXES]
    return [(f"CPU time over {seconds:g} s, s", *cpu),
            ("resident memory at its start, MiB", *(round(start[n][1] / 1024, 1) for n in EXES)),
            ("resident memory at its end, MiB", *(round(end[n][1] / 1024, 1) for n in EXES))]


def start_up(prefix, watcher, starts):
    times = {name: [] for name in EXES}
    for attempt in range(starts + 1):
        for name in list(EXES)[::1 if attempt % 2 else -1]:
            proc, took = watcher.start(prefix, name)
            proc.kill()
            proc.wait()
            if attempt:
                times[name].append(took * 1000)
    return [(f"start-up to window shown, ms, median of {starts}",
             *(round(statistics.median(times[n]), 1) for n in EXES))]


def print_table(rows):
    rows = [(figure, str(a), str(b), f"{a / b:.2f}x" if b else "") for figure, a, b in rows]
    rows.insert(0, ("figure", "TAVORI", "floor", "ratio"))
    widths = [max(len(row[i]) for row in rows) for i in range(4)]
    for row in rows:
        print(row[0].ljust(widths[0]), *(c.rjust(w) for c, w in zip(row[1:], widths[1:])))


def bench(args):
    prefix = wine.Prefix("bench-start-up")
    watcher = MapWatcher(prefix.env["DISPLAY"])
    try:
        print(f"bench: probe, {args.calls} calls each way", flush=True)
        rows = probe(args.calls)
        print(f"bench: steady state, {args.seconds:g} s, both programs at once", flush=True)
        rows += steady(watcher, args.seconds)
        print(f"bench: start-up, {args.starts} starts each", flush=True)
        rows += start_up(prefix, watcher, args.starts)
    finally:
        watcher.stop()
        prefix.close()
    size = {name: round(exe.stat().st_size / 1024, 1) for name, exe in EXES.items()}
    x86 = round(wine.EXES["x86"][0].stat().st_size / 1024, 1)
    rows += [("exe size x64, KiB", size["TAVORI"], size["floor"]), ("exe size x86, KiB", x86, "")]
    print()
    print_table(rows)


def soak(args):
    prefix = wine.Prefix("soak")
    figures = ["t s", "VmRSS KiB", "fds", "server KiB", "handles", "GDI", "USER"]
    samples = []
    try:
        shutil.copy2(BUILD / "tavori-resources.exe", prefix.drive / "e2e")
        proc = prefix.start(wine.EXES["x64"][0])
        wine.poll(lambda: prefix.run(r"C:\e2e\tavori-resources.exe", "TAVORI_MAIN")[0] == 0,
                     "the main window")
        server = wineserver_pid(prefix)
        began = time.monotonic()
        print(*(f"{f:>10}" for f in figures), flush=True)
        while not samples or samples[-1][0] < args.soak * 60:
            assert proc.poll() is None, f"tavori.exe ended with status {proc.returncode}"
            status, out = prefix.run(r"C:\e2e\tavori-resources.exe", "TAVORI_MAIN")
            counted = [None if c == "-" else int(c) for c in out.split()] if status == 0 else []
            samples.append([round(time.monotonic() - began), rss_kib(proc.pid),
                            len(os.listdir(f"/proc/{proc.pid}/fd")), rss_kib(server),
                            *(counted or [None] * 3)])
            print(*(f"{'n/a' if v is None else v:>10}" for v in samples[-1]), flush=True)
            time.sleep(max(0.0, began + len(samples) * args.every - time.monotonic()))
    finally:
        prefix.close()
    half = samples[len(samples) // 2]
    print(f"\n{'figure':<12}{'first':>10}{'last':>10}{'min':>10}{'max':>10}{'2nd half':>10}")
    for i, figure in enumerate(figures[1:], 1):
        values = [s[i] for s in samples]
        if None in values:
            print(f"{figure:<12}{'n/a':>10}  not counted by this system")
        else:
            print(f"{figure:<12}{values[0]:>10}{values[-1]:>10}{min(values):>10}"
                  f"{max(values):>10}{values[-1] - half[i]:>+10}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--starts", type=int, default=7)
    parser.add_argument("--calls", type=int, default=300)
    parser.add_argument("--soak", type=float, metavar="MINUTES")
    parser.add_argument("--every", type=float, default=10.0)
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, signal.default_int_handler)  # clean up on the way out
    soak(args) if args.soak else bench(args)


if __name__ == "__main__":
    main()
