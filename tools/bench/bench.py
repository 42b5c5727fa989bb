#!/usr/bin/env python3
"""Measures tavori.exe against the floor program under Wine and prints one table (make bench).

    tools/bench/bench.py [--seconds 60] [--starts 7] [--calls 300]

The floor (tavori-floor.exe) is a bare window of TAVORI's size running the same seven plain
WMI probes once a second: what any such monitor costs at least. For each figure the table
gives TAVORI's value, the floor's, their ratio and the figure we aim for. Nothing here passes
or fails: the figures depend on the machine and on what else runs on it, and are printed, with
the machine, to be read. The whole record is also written to build/bench/last.json.

  probe        tavori-probe-bench.exe: IsProcessRunning (TAVORI's code) against the plain WMI
               loop and a Toolhelp32 snapshot, the three taking turns call by call, while a
               process named mepops.exe runs.
  steady state both programs at once, each in its own Wine prefix: CPU time of the process
               (and of its wineserver) over --seconds after a 5 s settle, resident memory
               (VmRSS) when that minute starts and when it ends.
  start-up     launch (the wine64 command) to the window's MapNotify on the X server, median
               of --starts starts of each after one unmeasured start, taking turns.
  size         the stripped exe files, 64- and 32-bit.
"""

import argparse
import json
import statistics
import subprocess
import time

import measure
from measure import harness

BUILD = harness.BUILD.parent  # TAVORI_BUILD_DIR may point elsewhere
TAVORI_X64 = BUILD / "windows" / "tavori.exe"
TAVORI_X86 = BUILD / "windows-x86" / "tavori.exe"
FLOOR_X64 = BUILD / "windows" / "tavori-floor.exe"
PROBE_BENCH = BUILD / "windows" / "tavori-probe-bench.exe"

SUBJECTS = {  # name: (exe, window title as xdotool's regular expression)
    "TAVORI": (TAVORI_X64, "^TAVORI$"),
    "floor": (FLOOR_X64, "^TAVORI floor$"),
}
SETTLE = 5.0


def probe_figures(session, calls):
    bottle = measure.Bottle("bench-probe")
    try:
        bottle.start_named_process("mepops.exe")
        target = bottle.programs / PROBE_BENCH.name
        target.write_bytes(PROBE_BENCH.read_bytes())
        time.sleep(1.0)  # the named process is up
        # Wine's background processes (rpcss.exe and the like) may start from this program and
        # inherit its pipes, which then never reach end-of-file: the answer is read as a line,
        # as soon as it is there, and the program is waited for (and killed) apart from them.
        proc = subprocess.Popen(
            [harness.WINE64, "C:\\e2e\\" + PROBE_BENCH.name, "mepops.exe", str(calls)],
            env=bottle.env,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
            start_new_session=True,
        )
        line = measure.read_line(proc.stdout, deadline=900)
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        if not line.startswith(b"{"):
            raise RuntimeError(
                f"{PROBE_BENCH.name}: no answer (exit {proc.returncode}): "
                f"{proc.stderr.read().decode(errors='replace')}"
            )
        return json.loads(line)
    finally:
        bottle.close()


def steady_state(session, watcher, seconds):
    """Both programs at once, each in its own bottle, so that whatever else the machine does
    during the minute falls on both."""
    runs = {}
    try:
        for name, (exe, title) in SUBJECTS.items():
            bottle = measure.Bottle(f"bench-steady-{name}")
            runs[name] = {"bottle": bottle}
            proc, launched = measure.start_program(bottle, exe, name)
            runs[name].update(proc=proc, launched=launched, title=title)
        for name, run in runs.items():
            measure.wait_for_window(run["bottle"], run["proc"], run["title"], watcher,
                                    run["launched"])
            run["rss_mapped_kib"] = measure.status_kib(run["proc"].pid, "VmRSS")
        time.sleep(SETTLE)
        for run in runs.values():
            pid = run["proc"].pid
            run["server_pid"] = measure.wineserver_pid(run["bottle"])
            run["cpu_start"] = measure.cpu_seconds(pid)
            run["server_cpu_start"] = measure.cpu_seconds(run["server_pid"])
            run["rss_start_kib"] = measure.status_kib(pid, "VmRSS")
        began = time.monotonic()
        time.sleep(seconds)
        took = time.monotonic() - began
        figures = {}
        for name, run in runs.items():
            pid = run["proc"].pid
            figures[name] = {
                "seconds": round(took, 1),
                "cpu_s": round(measure.cpu_seconds(pid) - run["cpu_start"], 2),
                "wineserver_cpu_s": round(
                    measure.cpu_seconds(run["server_pid"]) - run["server_cpu_start"], 2
                ),
                "rss_mapped_kib": run["rss_mapped_kib"],
                "rss_start_kib": run["rss_start_kib"],
                "rss_end_kib": measure.status_kib(pid, "VmRSS"),
                "rss_peak_kib": measure.status_kib(pid, "VmHWM"),
            }
        return figures
    finally:
        for run in runs.values():
            run["bottle"].close()


def start_up(session, watcher, starts):
    bottle = measure.Bottle("bench-start-up")
    times = {name: [] for name in SUBJECTS}
    try:
        for attempt in range(starts + 1):
            order = list(SUBJECTS) if attempt % 2 == 0 else list(reversed(SUBJECTS))
            for name in order:
                exe, title = SUBJECTS[name]
                proc, launched = measure.start_program(bottle, exe, name)
                took, _ = measure.wait_for_window(bottle, proc, title, watcher, launched)
                bottle.kill(proc)
                if attempt > 0:  # the first start of each only warms the caches
                    times[name].append(round(took * 1000, 1))
                time.sleep(0.5)
        return times
    finally:
        bottle.close()


def kib(path):
    return round(path.stat().st_size / 1024, 1) if path.is_file() else None


def ratio(a, b):
    return f"{a / b:.2f}x" if a is not None and b else "-"


def table(record):
    rows = []
    probe = record["probe"]["ways"]
    ours, plain, toolhelp = probe["IsProcessRunning"], probe["plain-wmi"], probe["toolhelp"]
    for figure in ("median_us", "p99_us"):
        label = figure.split("_")[0]
        rows.append((f"probe {label}, µs (IsProcessRunning | plain WMI)", ours[figure],
                     plain[figure], ratio(ours[figure], plain[figure]), "≤ 1.05x"))
        rows.append((f"probe {label}, µs (Toolhelp32 snapshot, for scale)", toolhelp[figure],
                     "", ratio(toolhelp[figure], plain[figure]), ""))
    steady = record["steady"]
    t, f = steady["TAVORI"], steady["floor"]
    seconds = t["seconds"]
    rows.append((f"CPU time over {seconds:.0f} s, s (the process)", t["cpu_s"], f["cpu_s"],
                 ratio(t["cpu_s"], f["cpu_s"]), "≤ 1.2x"))
    rows.append((f"CPU time over {seconds:.0f} s, s (its wineserver)", t["wineserver_cpu_s"],
                 f["wineserver_cpu_s"], ratio(t["wineserver_cpu_s"], f["wineserver_cpu_s"]), ""))
    for key, label in (("rss_start_kib", "start"), ("rss_end_kib", "end")):
        rows.append((f"VmRSS at the {label} of the minute, MiB", round(t[key] / 1024, 1),
                     round(f[key] / 1024, 1), ratio(t[key], f[key]), "≤ 1.2x"))
    rows.append(("VmRSS growth over the minute, KiB", t["rss_end_kib"] - t["rss_start_kib"],
                 f["rss_end_kib"] - f["rss_start_kib"], "", ""))
    ts, fs = record["start_up_ms"]["TAVORI"], record["start_up_ms"]["floor"]
    tm, fm = statistics.median(ts), statistics.median(fs)
    rows.append((f"start-up to window mapped, ms (median of {len(ts)})", tm, fm,
                 f"{tm - fm:+.1f} ms", "≤ +30 ms"))
    rows.append(("start-up, fastest .. slowest, ms", f"{min(ts)}..{max(ts)}",
                 f"{min(fs)}..{max(fs)}", "", ""))
    size = record["size_kib"]
    rows.append(("exe size x64, KiB", size["tavori_x64"], size["floor_x64"],
                 ratio(size["tavori_x64"], size["floor_x64"]), "TAVORI ≤ 256 KiB"))
    rows.append(("exe size x86, KiB", size["tavori_x86"], "", "", ""))

    header = ("figure", "TAVORI", "floor", "ratio", "target")
    cells = [header] + [tuple("" if c is None else str(c) for c in row) for row in rows]
    widths = [max(len(row[i]) for row in cells) for i in range(len(header))]
    lines = []
    for n, row in enumerate(cells):
        lines.append("  ".join(c.ljust(w) if i == 0 else c.rjust(w)
                               for i, (c, w) in enumerate(zip(row, widths))).rstrip())
        if n == 0:
            lines.append("  ".join("-" * w for w in widths))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--starts", type=int, default=7)
    parser.add_argument("--calls", type=int, default=300)
    args = parser.parse_args()
    measure.stop_cleanly_on_signals()
    for exe in (TAVORI_X64, FLOOR_X64, PROBE_BENCH):
        if not exe.is_file():
            raise SystemExit(f"{exe} is missing: run make bench, which builds it")

    record = {"machine": measure.machine(), "load_before": measure.load_average()}
    print(f"bench: {record['machine']}", flush=True)
    session = harness.session()
    watcher = measure.MapWatcher(session.display)
    try:
        print(f"bench: probe, {args.calls} calls each way", flush=True)
        record["probe"] = probe_figures(session, args.calls)
        print(f"bench: steady state, {args.seconds:.0f} s, both programs at once", flush=True)
        record["steady"] = steady_state(session, watcher, args.seconds)
        print(f"bench: start-up, {args.starts} starts each", flush=True)
        record["start_up_ms"] = start_up(session, watcher, args.starts)
    finally:
        watcher.stop()
        session.close()
    record["size_kib"] = {
        "tavori_x64": kib(TAVORI_X64),
        "tavori_x86": kib(TAVORI_X86),
        "floor_x64": kib(FLOOR_X64),
    }
    record["load_after"] = measure.load_average()

    out = BUILD / "bench" / "last.json"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(json.dumps(record, indent=2) + "\n")
    print()
    print(f"Machine: {record['machine']}")
    print(f"Load average before {record['load_before']}, after {record['load_after']}")
    print()
    print(table(record))
    print(f"\n(all figures in {out})")
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
