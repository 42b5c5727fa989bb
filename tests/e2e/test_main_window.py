"""The main window: first run, probe, placement, keeper against a rival, the one-box exits."""

import re

import harness
from harness import KEY, centre, click, drag, poll, topmost

NAMES = ["MEIMAPS", "MELCS", "MEMTAS", "MEDMS", "MEPOPS", "MEPOCS", "MESMTPCS"]
TIPS = ["MailEnable IMAP Service - meimaps.exe", "MailEnable List Connector - melsc.exe",
        "MailEnable Mail Transfer Agent - memta.exe", "MailEnable Migration Service - medms.exe",
        "MailEnable POP Service - mepops.exe", "MailEnable Postoffice Connector - mepoc.exe",
        "MailEnable SMTP Connector - mesmtpc.exe"]
# 1000, 1000, 1215 x 3135 twips; rows 1095 wide, 285 high on a 360 pitch; OPTIONS 2520 down,
# 255 high: 15 twips to the pixel at 96 dpi, 10 at 144 (halves away from zero).
LAYOUT = {96: ([67, 67, 81, 209], 73, 19, 24, [168, 17]),
          144: ([100, 100, 122, 314], 110, 29, 36, [252, 26])}
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


class FirstRun:
    ARCHES = ("x64", "x86")

    def test_first_run_window_rows_tooltips_probe_and_close(self):
        for dpi, (rect, width, height, pitch, button) in LAYOUT.items():
            with self.subTest(dpi=dpi):
                prefix = self.prefix(f"-{dpi}")
                prefix.reg_import(rf'[HKEY_CURRENT_USER\Control Panel\Desktop]'
                                  f'\n"LogPixels"=dword:{dpi:08x}')
                monitor = self.monitor(prefix)
                frame = prefix.root / "first.png"
                harness.snap_when_mapped(frame)
                window = monitor.wait_main()

                # The window may be mapped a moment before it is painted.
                def painted():
                    colours = monitor.colours(window, frame)
                    return colours if {"cyan", "red", "green"} >= set(colours) else harness.snap(
                        frame)

                self.assertEqual(poll(painted, "painted rows"), ["cyan"] * 7)
                self.assertEqual(prefix.windows("TAVORI_MAIN")["dpi"], dpi)
                self.assertEqual((window["caption"], window["window"]), ("TAVORI", rect))
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
                for row, tip in zip(monitor.rows(window), TIPS):
                    harness.x("xdotool", "mousemove", *centre(row["rect"]))
                    poll(lambda: [t["caption"] for t in monitor.windows("tooltips_class32")],
                         f"the tooltip {tip}", until=[tip].__eq__)
                harness.x("xdotool", "mousemove", *PARK)
                monitor.wait_colours(window, ["red"] * 7)
                if dpi == 96:
                    # The IMAP row asks for "MEIMAPS.exe": the probe must not mind the case.
                    lit = [prefix.named_process(image) for image in ("meimaps.exe", "MEPOPS.EXE")]
                    monitor.wait_colours(window, rows_lit("MEIMAPS", "MEPOPS"))
                    for proc in lit:
                        proc.kill()
                    monitor.wait_colours(window, rows_lit())
                self.assertIsNone(prefix.settings(), "written before the window closed")
                self.assertEqual(monitor.close(), 0)
                self.assertEqual(prefix.settings(), DEFAULTS)


class Placement:
    ARCHES = ("x64",)

    def test_restored_saved_back_dragged_saved_at_session_end_and_keeper_beats_rival(self):
        prefix = self.prefix()
        # 4505 and 2995 twips are no whole pixel: it opens near them and saves them back as is.
        stored = dict(placement("4505", "2995", "1500", "3000"), **{ALWAYS: "1"})
        prefix.store(stored)
        monitor = self.monitor(prefix)
        window = monitor.wait_main()
        self.assertEqual(window["window"], [300, 200, 100, 200])
        # The keeper leaves the band alone while the main window holds the foreground...
        poll(lambda: prefix.windows("TAVORI_MAIN")["foreground"] == window["hwnd"], "foreground")
        self.assertFalse(topmost(monitor.main()))
        # ... and takes it from a topmost rival that takes the foreground.
        rival = prefix.start(r"C:\e2e\helper.exe", "rival")
        poll(lambda: [topmost(w) for w in monitor.windows("TAVORI_TEST_RIVAL")] == [False]
             and topmost(monitor.main()), "the rival to lose the topmost band to the monitor")
        rival.kill()
        self.assertEqual(monitor.close(), 0)
        self.assertEqual(prefix.settings(), stored)

        monitor = self.monitor(prefix)
        window = monitor.wait_main()
        grip = (window["window"][0] + 30, (window["window"][1] + window["client"][1]) // 2)
        drag(grip, (grip[0] + 30, grip[1] + 20))
        poll(lambda: monitor.main()["window"] == [330, 220, 100, 200], "the window dragged")
        prefix.run("reg", "delete", KEY, "/f")  # so that every value must be written anew
        # Wine, like Windows, ends the process after WM_ENDSESSION without closing its windows.
        self.assertEqual(prefix.run("wineboot", "--end-session")[0], 0)
        self.assertEqual(monitor.wait_exit(), 0)
        self.assertEqual(prefix.settings(), placement("4950", "3300", "1500", "3000"))

    def test_placement_off_screen_is_brought_into_view(self):
        prefix = self.prefix()
        left, top, width, height = prefix.windows("TAVORI_MAIN")["work"]
        right, bottom = left + width - 81, top + height - 209
        for stored, rect in [(("-100000", "1000"), [left, 67]),
                             (("100000", "100000"), [right, bottom]),
                             (("1000", "-3120"), [67, top]),  # one pixel row on screen
                             (("-600", "1000"), [-40, 67]),  # caption in reach: left be
                             (("1000", "1000", "0"), [67, 67]),  # no width: the first run's
                             (("1000\0abc", "1000"), [67, 67]),  # read up to the NUL
                             (("1000", "1000", "-1000"), [67, 67])]:
            with self.subTest(stored=stored):
                prefix.store(placement(*(stored + ("1215", "3135")[len(stored) - 2:])))
                monitor = self.monitor(prefix)
                self.assertEqual(monitor.wait_main()["window"], rect + [81, 209])
                monitor.proc.kill()
                poll(lambda: not monitor.main(), "the killed monitor's window to go")


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
