"""The main window: first run, probe, placement, keeper against a rival, the one-box exits."""

import os
import re
import signal

import harness
from harness import KEY, centre, click, drag, poll, topmost

NAMES = ["MEIMAPS", "MELCS", "MEMTAS", "MEDMS", "MEPOPS", "MEPOCS", "MESMTPCS"]
TIPS = ["MailEnable IMAP Service - meimaps.exe", "MailEnable List Connector - melsc.exe",
        "MailEnable Mail Transfer Agent - memta.exe", "MailEnable Migration Service - medms.exe",
        "MailEnable POP Service - mepops.exe", "MailEnable Postoffice Connector - mepoc.exe",
        "MailEnable SMTP Connector - mesmtpc.exe"]
# Rows 1095 twips wide, 285 high on a 360 pitch; OPTIONS 2520 down, 255 high; both windows at
# 1000, 1000: 15 twips to the pixel at 96 dpi, 10 at 144 (halves away from zero).
LAYOUT = {96: (67, 73, 19, 24, [168, 17]), 144: (100, 110, 29, 36, [252, 26])}
# The first-run frames in pixels and the twips a close saves of them, for each window: under
# Windows 10's caption and borders (the prefixes') they hold the controls; under Wine's own,
# thinner ones, which the first-run twips were laid out for, they stay at those twips.
FIRST_RUN = {  # (dpi, frames): main window, saved; options dialog, saved
    (96, "Windows"): ([81, 214], ["1215", "3210"], [433, 202], ["6495", "3030"]),
    (144, "Windows"): ([122, 318], ["1215", "3180"], [648, 301], ["6480", "3010"]),
    (96, "Wine"): ([81, 209], ["1215", "3135"], [425, 187], ["6375", "2805"]),
}
METRICS = r"HKEY_CURRENT_USER\Control Panel\Desktop\WindowMetrics"
WINDOWS_METRICS = ["CaptionHeight", "CaptionWidth", "SmCaptionHeight", "SmCaptionWidth",
                   "BorderWidth", "PaddedBorderWidth"]
IMAGES = ["meimaps.exe", "MELSC.EXE", "memta.exe", "medms.exe", "mepops.exe", "mepoc.exe",
          "mesmtpc.exe"]  # what each row's probe must find, whatever the letter case
DEFAULTS = {"MainLeft": "1000", "MainTop": "1000", "MainWidth": "1215", "MainHeight": "3135"}
ALWAYS = "AlwaysOnTopTimer_TICKBOX"
CAPTION_AND_CLOSE_BOX, MIN_MAX_SIZE = 0x00C80000, 0x00070000
WS_EX_TOOLWINDOW, ES_CENTER_READONLY = 0x80, 0x0801
PARK = (1016, 760)  # the pointer, off every window, shows no tooltip
SHOWN = ("#32770", "TAVORI_MAIN", "TAVORI_OPTIONS")  # what a monitor can leave on the screen


def placement(*values):
    return dict(zip(DEFAULTS, values))


def rows_lit(*lit):
    return ["green" if name in lit else "red" for name in NAMES]


def child(window, text):
    return next(c for c in window["children"] if c["text"] == text)


def outside(window):
    """The controls that do not lie wholly inside the window's client area."""
    left, top, width, height = window["client"]
    return [c["text"] for c in window["children"]
            if not (left <= c["rect"][0] and c["rect"][0] + c["rect"][2] <= left + width
                    and top <= c["rect"][1] and c["rect"][1] + c["rect"][3] <= top + height)]


class FirstRun:
    ARCHES = ("x64", "x86")

    def test_first_run_windows_rows_tooltips_probe_and_close(self):
        for (dpi, frames), (main, main_saved, dialog, dialog_saved) in FIRST_RUN.items():
            with self.case(f"-{dpi}-{frames}", dpi=dpi, frames=frames) as prefix:
                origin, width, height, pitch, button = LAYOUT[dpi]
                # A high-contrast theme's white text must not reach the rows.
                settings = [r"[HKEY_CURRENT_USER\Control Panel\Desktop]",
                            f'"LogPixels"=dword:{dpi:08x}',
                            r"[HKEY_CURRENT_USER\Control Panel\Colors]",
                            '"WindowText"="255 255 255"']
                if frames == "Wine":
                    settings += [f"[{METRICS}]", *(f'"{name}"=-' for name in WINDOWS_METRICS)]
                prefix.reg_import("\n".join(settings))
                monitor = self.monitor(prefix, trace=True)
                frame = prefix.root / "first.png"
                harness.snap_when_mapped(frame)
                window = monitor.wait_main()

                # The window may be mapped a moment before it is painted.
                def painted():
                    colours = monitor.colours(window, frame)
                    return colours if {"cyan", "red", "green"} >= set(colours) else harness.snap(
                        frame)

                # Cyan until the row's first tick, which a busy machine may let come before the
                # picture: such a row may show its answer.
                colours = poll(painted, "painted rows")
                ticked = monitor.delivered(window["hwnd"], "WM_TIMER")
                self.assertEqual(colours, [c if i + 1 in ticked and c == "red" else "cyan"
                                           for i, c in enumerate(colours)], f"ticked: {ticked}")
                self.assertEqual((window["caption"], window["window"]),
                                 ("TAVORI", [origin, origin, *main]))
                styles = (window["style"] & (CAPTION_AND_CLOSE_BOX | MIN_MAX_SIZE),
                          window["exstyle"] & WS_EX_TOOLWINDOW)
                self.assertEqual(styles, (CAPTION_AND_CLOSE_BOX, WS_EX_TOOLWINDOW))
                left, top = window["client"][:2]
                self.assertEqual(
                    [(r["text"], r["rect"], r["style"] & ES_CENTER_READONLY)
                     for r in monitor.rows(window)],
                    [(name, [left, top + pitch * i, width, height], ES_CENTER_READONLY)
                     for i, name in enumerate(NAMES)])
                options = child(window, "OPTIONS")["rect"]
                self.assertEqual([options[1] - top, options[3]], button)
                self.assertEqual(outside(window), [])
                # Inside the sunken edge of a row without the caret: its text and fill only.
                inner = monitor.rows(window)[1]["rect"]
                inner = [inner[0] + 2, inner[1] + 2, inner[2] - 4, inner[3] - 4]
                background = {"cyan": "00FFFF", "red": "FF0000"}[colours[1]]
                # (Wine's edit control draws black text whatever the theme: only Windows shows
                # what the rows would look like without asking for black.)
                self.assertEqual(harness.colours_in(frame, inner), {background, "000000"})
                if (dpi, frames) == (96, "Windows"):
                    for row, tip in zip(monitor.rows(window), TIPS):
                        harness.x("xdotool", "mousemove", *centre(row["rect"]))
                        poll(lambda: [t["caption"] for t in monitor.windows("tooltips_class32")],
                             f"the tooltip {tip}", until=[tip].__eq__)
                    harness.x("xdotool", "mousemove", *PARK)
                    monitor.wait_colours(window, ["red"] * 7)
                    lit = [prefix.named_process(image) for image in IMAGES]
                    monitor.wait_colours(window, rows_lit(*NAMES))
                    for proc in lit:
                        proc.kill()
                monitor.wait_colours(window, rows_lit())
                self.assertIsNone(prefix.settings(), "written before a window closed")

                opened = monitor.open_options(window)
                self.assertEqual(opened["window"], [origin, origin, *dialog])
                self.assertEqual(outside(opened), [])
                click(centre(child(opened, "OK")["rect"]))
                poll(lambda: monitor.main()["enabled"], "the dialog to close")
                self.assertEqual(monitor.close(), 0)
                self.assertEqual(prefix.settings(), {
                    **placement("1000", "1000", *main_saved),
                    **{f"OPTIONS{k}": v for k, v in placement("1000", "1000", *dialog_saved).items()}})


class Placement:
    ARCHES = ("x64",)

    def test_restored_saved_back_dragged_saved_at_session_end_and_keeper_beats_rival(self):
        prefix = self.prefix()
        # 4505 and 2995 twips are no whole pixel: it opens near them and saves them back as is.
        # 3000 twips, 200 pixels, are too short for this frame: it grows to hold its controls.
        stored = dict(placement("4505", "2995", "1500", "3000"), **{ALWAYS: "1"})
        prefix.store(stored)
        monitor = self.monitor(prefix, trace=True)
        window = monitor.wait_main()
        self.assertEqual(window["window"], [300, 200, 100, 214])
        # The keeper leaves the band alone while the main window holds the foreground...
        poll(lambda: prefix.windows("TAVORI_MAIN")["foreground"] == window["hwnd"], "foreground")
        self.assertFalse(topmost(monitor.main()))
        # ... and takes it from a topmost rival that takes the foreground.
        rival = prefix.start(r"C:\e2e\helper.exe", "rival")
        poll(lambda: [topmost(w) for w in monitor.windows("TAVORI_TEST_RIVAL")] == [False]
             and topmost(monitor.main()), "the rival to lose the topmost band to the monitor")
        # Without waiting for it: a hung program in front must not hang the monitor (Windows).
        rival_hwnd = monitor.windows("TAVORI_TEST_RIVAL")[0]["hwnd"]
        self.assertIn([f"{rival_hwnd:x}", "fffffffe", "0", "0", "0", "0", "4003"],
                      monitor.calls("SetWindowPos"))
        self.assertIn([f"{window['hwnd']:x}", "ffffffff", "0", "0", "0", "0", "13"],
                      monitor.calls("SetWindowPos"))
        rival.kill()
        self.assertEqual(monitor.close(), 0)
        self.assertEqual(prefix.settings(), dict(stored, MainHeight="3210"))

        monitor = self.monitor(prefix)
        window = monitor.wait_main()
        grip = (window["window"][0] + 30, (window["window"][1] + window["client"][1]) // 2)
        drag(grip, (grip[0] + 30, grip[1] + 20))
        poll(lambda: monitor.main()["window"] == [330, 220, 100, 214], "the window dragged")
        prefix.run("reg", "delete", KEY, "/f")  # so that every value must be written anew
        # Wine, like Windows, ends the process after WM_ENDSESSION without closing its windows.
        self.assertEqual(prefix.run("wineboot", "--end-session")[0], 0)
        self.assertEqual(monitor.wait_exit(), 0)
        self.assertEqual(prefix.settings(), placement("4950", "3300", "1500", "3210"))

    def test_copies_closed_together_leave_one_copys_whole_placement(self):
        # A session end closes every copy at the same moment; each saves its own four values.
        prefix = self.prefix()
        sets = {(300, 200, 81, 214): placement("4500", "3000", "1215", "3210"),
                (600, 400, 100, 250): placement("9000", "6000", "1500", "3750")}
        mixed, rounds = [], 12
        for _ in range(rounds):
            copies = []
            for stored in sets.values():
                prefix.store(stored)
                copies.append(self.monitor(prefix))
                shown = poll(lambda: copies[-1].alive() and copies[-1].windows("TAVORI_MAIN"),
                             "the copy's window", until=lambda w: w and len(w) == len(copies))
            self.assertEqual(sorted(tuple(w["window"]) for w in shown), list(sets))
            # Stopped while the messages are posted, neither copy starts on its own before the
            # other has it: they resume together.
            for copy in copies:
                os.killpg(copy.proc.pid, signal.SIGSTOP)
            prefix.close_window(*(w["hwnd"] for w in shown))
            for copy in copies:
                os.killpg(copy.proc.pid, signal.SIGCONT)
            self.assertEqual([copy.wait_exit() for copy in copies], [0, 0])
            saved = prefix.settings()
            if saved not in sets.values():
                mixed.append(saved)
        self.assertEqual(mixed, [], f"{len(mixed)} of {rounds} rounds saved a mix")

    def test_placement_off_screen_is_brought_into_view(self):
        prefix = self.prefix()
        left, top, width, height = prefix.windows("TAVORI_MAIN")["work"]
        size = FIRST_RUN[96, "Windows"][0]
        right, bottom = left + width - size[0], top + height - size[1]
        for stored, rect in [(("-100000", "1000"), [left, 67]),
                             (("100000", "100000"), [right, bottom]),
                             (("1000", "-3195"), [67, top]),  # one pixel row on screen
                             (("-600", "1000"), [-40, 67]),  # caption in reach: left be
                             (("1000", "1000", "0"), [67, 67]),  # no width: the first run's
                             (("1000\0abc", "1000"), [67, 67]),  # read up to the NUL
                             (("1000", "1000", "-1000"), [67, 67])]:
            with self.subTest(stored=stored):
                prefix.store(placement(*(stored + ("1215", "3135")[len(stored) - 2:])))
                monitor = self.monitor(prefix)
                try:
                    window = monitor.wait_main()["window"]
                finally:
                    monitor.end("TAVORI_MAIN")  # so that the next case does not find its window
                self.assertEqual(window, rect + size)


class BadValues:
    ARCHES = ("x64", "x86")

    def test_bad_value_or_failing_probe_gives_one_box_status_one_and_writes_nothing(self):
        prefix = self.prefix()
        cases = [  # stored, DLLs turned off, whether the options dialog is opened, box texts
            ({"MainLeft": ""}, "", False, ['"MainLeft" holds ""', re.escape(KEY), "delete it"]),
            ({"MainHeight": "abc"}, "", False, ['"MainHeight" holds "abc"']),
            ({ALWAYS: "abc"}, "", False, [f'"{ALWAYS}" holds "abc"']),
            ({ALWAYS: "3"}, "", True, [f'"{ALWAYS}" holds "3"', re.escape(KEY)]),
            # Without Wine's WMI provider the first probe fails.
            ({}, "wbemprox=d", False, [r"\(WMI\)", "Error 0x", "Winmgmt"]),
            # A huge value is shown cut, with its length, in a box that fits the screen.
            ({"MainTop": "x" * 100000}, "", False, ['"MainTop" holds "x{10,}', "100,?000"]),
        ]
        for stored, dlls, *rest in cases[: 1 if self.ARCH == "x86" else None]:
            with self.subTest(keys=list(stored), dlls=dlls):
                prefix.store(stored)
                monitor = self.monitor(prefix, dlls=dlls)
                try:
                    self.check_box_and_exit(prefix, monitor, stored, dlls, *rest)
                finally:
                    monitor.end(*SHOWN)  # so that the next case meets neither it nor its box

    def check_box_and_exit(self, prefix, monitor, stored, dlls, options, texts):
        if options:
            click(centre(child(monitor.wait_main(), "OPTIONS")["rect"]))
        box = monitor.one_box()
        for text in texts:
            self.assertRegex(box["text"], text)
        self.assertTrue(len(box["text"]) < 2000 and box["window"][2] <= 1024, box["window"])
        shown = monitor.windows("TAVORI_OPTIONS") + monitor.windows("TAVORI_MAIN")
        self.assertEqual(len(shown), options or bool(dlls), "a window showed")
        prefix.close_window(box["hwnd"])
        self.assertEqual(monitor.wait_exit(), 1)
        self.assertEqual(prefix.settings(), stored)


harness.per_exe(globals())
