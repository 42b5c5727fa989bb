#!/usr/bin/env python3
"""Runs tavori.exe under Wine for a while at its normal probes and watches what it holds
(make soak).

    tools/bench/soak.py [--minutes 60] [--every 10]

Every --every seconds it samples the monitor's kernel handles, GDI and USER objects and memory
as Windows counts them (tavori-resources.exe, run in the same Wine prefix, finds the
process by its window), and from the Linux side the resident memory (VmRSS) and open file
descriptors of the process and of its prefix's wineserver, and that server's resident memory. It prints each
sample as it comes and, at the end, each figure's first and last value, its range and its growth
over the whole run and over the second half. It judges nothing: a figure Wine does not give is
shown as "n/a" with the reason. The samples are also written to build/soak/last.json.
"""

import argparse
import json
import shutil
import time

import measure
from measure import harness

FIGURES = [  # key in a sample, heading
    ("handles", "handles"),
    ("gdi_objects", "GDI"),
    ("user_objects", "USER"),
    ("working_set_kib", "WS KiB"),
    ("private_kib", "priv KiB"),
    ("rss_kib", "VmRSS KiB"),
    ("fds", "fds"),
    ("wineserver_rss_kib", "server KiB"),
    ("wineserver_fds", "server fds"),
]
# Counts a live process with a window never has at zero: zero in every sample means Wine
# answered without counting (its GetProcessHandleCount of another process says 0).
NEVER_ZERO = {"handles", "gdi_objects", "user_objects"}


def sample(bottle, proc, server_pid, started):
    status, out = bottle.run(r"C:\e2e\tavori-resources.exe", "TAVORI_MAIN", "TAVORI")
    windows = json.loads(out) if status == 0 else {"error": f"helper exit {status}"}
    row = {"t": round(time.monotonic() - started), "windows": windows}
    for key in ("handles", "gdi_objects", "user_objects"):
        row[key] = windows.get(key)
    for key, source in (("working_set_kib", "working_set_bytes"), ("private_kib", "private_bytes")):
        row[key] = None if windows.get(source) is None else windows[source] // 1024
    row["rss_kib"] = measure.status_kib(proc.pid, "VmRSS")
    row["fds"] = measure.open_fds(proc.pid)
    row["cpu_s"] = round(measure.cpu_seconds(proc.pid), 2)
    row["wineserver_rss_kib"] = measure.status_kib(server_pid, "VmRSS") if server_pid else None
    row["wineserver_fds"] = measure.open_fds(server_pid) if server_pid else None
    return row


def cell(value):
    return "n/a" if value is None else str(value)


def summary(samples):
    lines = []
    half = samples[len(samples) // 2]
    header = f"{'figure':<12}{'first':>10}{'last':>10}{'min':>10}{'max':>10}{'growth':>10}" \
             f"{'2nd half':>10}"
    lines.append(header)
    lines.append("-" * len(header))
    for key, heading in FIGURES:
        values = [s[key] for s in samples]
        if any(v is None for v in values):
            reasons = sorted({
                f"{key}_error {s['windows'].get(key + '_error')}"
                for s in samples if s["windows"].get(key + "_error") is not None
            })
            lines.append(f"{heading:<12}{'n/a':>10}  not given under Wine"
                         + (f" ({', '.join(reasons)})" if reasons else ""))
            continue
        if key in NEVER_ZERO and not any(values):
            lines.append(f"{heading:<12}{'n/a':>10}  Wine answers 0 in every sample: not counted")
            continue
        lines.append(
            f"{heading:<12}{values[0]:>10}{values[-1]:>10}{min(values):>10}{max(values):>10}"
            f"{values[-1] - values[0]:>+10}{values[-1] - half[key]:>+10}"
        )
    cpu = samples[-1]["cpu_s"] - samples[0]["cpu_s"]
    span = samples[-1]["t"] - samples[0]["t"]
    if span > 0:
        lines.append(f"CPU time of the process over those {span} s: {cpu:.1f} s "
                     f"({100 * cpu / span:.1f}% of one core)")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--minutes", type=float, default=60.0)
    parser.add_argument("--every", type=float, default=10.0)
    args = parser.parse_args()
    measure.stop_cleanly_on_signals()

    machine = measure.machine()
    print(f"soak: {machine}", flush=True)
    print(f"soak: {args.minutes:g} min, a sample every {args.every:g} s", flush=True)
    session = harness.session()
    watcher = measure.MapWatcher(session.display)
    bottle = measure.Bottle("soak")
    samples = []
    try:
        exe = harness.EXES["x64"][0]
        shutil.copy2(exe.parent / "tavori-resources.exe", bottle.programs)
        proc, launched = measure.start_program(bottle, exe, "tavori")
        measure.wait_for_window(bottle, proc, "^TAVORI$", watcher, launched)
        server_pid = measure.wineserver_pid(bottle)
        started = time.monotonic()
        end = started + args.minutes * 60
        print("  ".join(f"{h:>10}" for h in ["t s"] + [h for _, h in FIGURES]), flush=True)
        next_sample = started
        while True:
            if proc.poll() is not None:
                raise RuntimeError(f"tavori.exe ended with status {proc.returncode}")
            row = sample(bottle, proc, server_pid, started)
            samples.append(row)
            print("  ".join(f"{cell(v):>10}" for v in [row["t"]] + [row[k] for k, _ in FIGURES]),
                  flush=True)
            next_sample += args.every
            if next_sample > end + 0.5:
                break
            time.sleep(max(0.0, next_sample - time.monotonic()))
    finally:
        watcher.stop()
        bottle.close()
        session.close()

    out = harness.REPO / "build" / "soak" / "last.json"
    out.parent.mkdir(parents=True, exist_ok=True)
    out.write_text(json.dumps({"machine": machine, "every_s": args.every, "samples": samples},
                              indent=2) + "\n")
    print()
    print(f"Machine: {machine}")
    print()
    print(summary(samples))
    print(f"\n(all samples in {out})")
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
