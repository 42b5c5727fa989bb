"""The rows as a screen reader reads, hears and works them from another process through Microsoft
Active Accessibility: the words follow the colours, and the default action starts a service."""

import json
import os

import harness
from harness import poll
from test_main_window import NAMES, rows_lit

WORDS = {"green": ("running", "Stop"), "red": ("not running", "Start"),
         "cyan": ("unknown", "Start")}


def read_rows(prefix, window):
    """[(name, value, description, default action)] of each row, top to bottom."""
    status, out = prefix.helper("rows", window["hwnd"])
    assert status == 0, f"the reader: {status}, {out!r}"
    return [tuple(json.loads(line).values()) for line in out.splitlines() if line[:1] == "{"]


def spoken(colours):
    return [(name, WORDS[c][0], WORDS[c][0], WORDS[c][1]) for name, c in zip(NAMES, colours)]


class Accessibility:
    ARCHES = ("x64", "x86")

    def test_a_screen_reader_reads_each_rows_state_hears_it_change_and_starts_a_service(self):
        prefix = self.prefix()
        prefix.add_service("MEPOPS", "mepops.exe")
        monitor = self.monitor(prefix)
        window = monitor.wait_main()
        listener = prefix.start(r"C:\e2e\helper.exe", "listen", window["pid"])

        def heard():  # pread: the listener writes on through the file, at the offset it shares
            out = os.pread(listener.out.fileno(), 1 << 20, 0).decode(errors="replace")
            return [tuple(json.loads(line).values())[:2] if line[:1] == "{" else line
                    for line in out.splitlines()]

        poll(heard, "the listener to be ready", until=lambda lines: "ready" in lines)
        monitor.wait_colours(window, rows_lit())
        prefix.named_process("melsc.exe")
        poll(heard, "MELCS said to run", until=lambda h: ("MELCS", "running") in h)
        # Read beside the colours on screen, until a reading falls between two repaints.
        poll(lambda: read_rows(prefix, window), "the rows read as they show", until=lambda read:
             read == spoken(harness.row_colours(window)) and read[1][1] == "running")

        status, out = prefix.helper("act", window["hwnd"], NAMES.index("MEPOPS"))
        self.assertEqual(status, 0, out)
        poll(lambda: prefix.service_state("MEPOPS"), "MEPOPS started", until="RUNNING".__eq__)
        monitor.wait_colours(window, rows_lit("MELCS", "MEPOPS"))
        poll(heard, "MEPOPS said to run", until=lambda h: ("MEPOPS", "running") in h)


harness.per_exe(globals())
