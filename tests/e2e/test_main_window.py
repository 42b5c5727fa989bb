"""The main window: first run, probes and their bounded waits, placement, the one-box exits."""

import contextlib
import os
import re
import signal

import harness
from harness import KEY, centre, child, click, drag, poll

NAMES = ["MEIMAPS", "MELCS", "MEMTAS", "MEDMS", "MEPOPS", "MEPOCS", "MESMTPCS"]
TIPS = ["MailEnable IMAP Service - meimaps.exe", "MailEnable List Connector - melsc.exe",
        "MailEnable Mail Transfer Agent - memta.exe", "MailEnable Migration Service - medms.exe",
        "MailEnable POP Service - mepops.exe", "MailEnable Postoffice Connector - mepoc.exe",
        "MailEnable SMTP Connector - mesmtpc.exe"]
# Rows 1095 x 285 twips on a 360 pitch, OPTIONS 2520 down and 255 high, both windows at 1000,
# 1000; in pixels, at 15 twips a pixel (96 dpi) and 10 (144 dpi).
LAYOUT = {96: (67, 73, 19, 24, [168, 17]), 144: (100, 110, 29, 36, [252, 26])}
# Each window's first-run frame in pixels and the twips a close saves, under Windows 10's caption
# and borders (the prefixes'), which the frames grow to hold the controls in.
FIRST_RUN = {  # dpi: main window, saved; options dialog, saved
    96: ([81, 214], ["1215", "3210"], [433, 202], ["6495", "3030"]),
    144: ([122, 318], ["1215", "3180"], [648, 301], ["6480", "3010"])}
DEFAULTS = {"MainLeft": "1000", "MainTop": "1000", "MainWidth": "1215", "MainHeight": "3135"}
OPTIONS = ["OPTIONS" + name for name in DEFAULTS]
ALWAYS = "AlwaysOnTopTimer_TICKBOX"
CAPTION_AND_CLOSE_BOX, MIN_MAX_SIZE = 0x00C80000, 0x00070000
WS_EX_TOOLWINDOW, ES_CENTER_READONLY = 0x80, 0x0801
PARK = (1016, 760)  # the pointer, off every window, shows no tooltip
SHOWN = ("#32770", "TAVORI_MAIN", "TAVORI_OPTIONS")  # what a monitor can leave on the screen
MACHINE_CLASSES = r"HKEY_LOCAL_MACHINE\Software\Classes"
WBEM_LOCATOR = "{4590F811-1D3A-11D0-891F-00AA004B2E24}"


def placement(*values):
    return dict(zip(DEFAULTS, values))


def rows_lit(*lit):
    return ["green" if name in lit else "red" for name in NAMES]


def outside(window):
    """The controls that do not lie wholly inside the window's client area."""
    left, top, width, height = window["client"]
    return [c["text"] for c in window["children"]
            if not (left <= c["rect"][0] and c["rect"][0] + c["rect"][2] <= left + width
                    and top <= c["rect"][1] and c["rect"][1] + c["rect"][3] <= top + height)]


class FirstRun:
    ARCHES = ("x64", "x86")

    @contextlib.contextmanager
    def first_run(self, dpi):
        """A prefix at that dpi, and a monitor in it."""
        with self.case(f"-{dpi}", dpi=dpi) as prefix:
            prefix.reg_import(r"[HKEY_CURRENT_USER\Control Panel\Desktop]" "\n"
                              f'"LogPixels"=dword:{dpi:08x}')
            yield prefix, self.monitor(prefix)

    @harness.slow
    def test_both_windows_open_at_their_first_run_place_with_every_control_in_view(self):
        for dpi, (main, _, dialog, _) in FIRST_RUN.items():
            with self.first_run(dpi) as (prefix, monitor):
                origin, width, height, pitch, button = LAYOUT[dpi]
                window = monitor.wait_main()
                self.assertEqual((window["caption"], window["window"]),
                                 ("TAVORI", [origin, origin, *main]))
                styles = (window["style"] & (CAPTION_AND_CLOSE_BOX | MIN_MAX_SIZE),
                          window["exstyle"] & WS_EX_TOOLWINDOW)
                self.assertEqual(styles, (CAPTION_AND_CLOSE_BOX, WS_EX_TOOLWINDOW))
                left, top = window["client"][:2]
                self.assertEqual(
                    [(r["text"], r["rect"], r["style"] & ES_CENTER_READONLY)
                     for r in harness.rows(window)],
                    [(name, [left, top + pitch * i, width, height], ES_CENTER_READONLY)
                     for i, name in enumerate(NAMES)])
                options = child(window, "OPTIONS")["rect"]
                self.assertEqual([options[1] - top, options[3]], button)
                self.assertEqual(outside(window), [])
                opened = monitor.open_options(window)
                self.assertEqual(opened["window"], [origin, origin, *dialog])
                self.assertEqual(outside(opened), [])

    @harness.slow
    def test_closing_both_windows_saves_their_frames_in_twips_and_nothing_before(self):
        for dpi, (_, main_saved, _, dialog_saved) in FIRST_RUN.items():
            with self.first_run(dpi) as (prefix, monitor):
                window = monitor.wait_main()
                monitor.wait_colours(window, rows_lit())
                self.assertIsNone(prefix.settings(), "written before a window closed")
                click(centre(child(monitor.open_options(window), "OK")["rect"]))
                poll(lambda: monitor.main()["enabled"], "the dialog to close")
                self.assertEqual(monitor.close(), 0)
                self.assertEqual(prefix.settings(), {
                    **placement("1000", "1000", *main_saved),
                    **dict(zip(OPTIONS, ["1000", "1000", *dialog_saved]))})

    def test_rows_are_cyan_until_their_first_answer(self):
        prefix = self.prefix()
        monitor, shot = self.monitor(prefix, trace=True), prefix.root / "first.png"
        window = monitor.wait_main()

        def painted():  # the window may be shown a moment before it is painted
            harness.snap(shot)
            colours = harness.row_colours(window, shot)
            return colours if {"cyan", "red", "green"} >= set(colours) else None

        # A busy machine may let a row's first tick come before the picture: it may show red.
        colours = poll(painted, "painted rows")
        ticked = monitor.delivered(window["hwnd"], "WM_TIMER")
        self.assertEqual(colours, [c if i + 1 in ticked and c == "red" else "cyan"
                                   for i, c in enumerate(colours)], f"ticked: {ticked}")

    def test_each_row_names_its_service_in_a_tooltip(self):
        _, monitor, window = self.started()
        for row, tip in zip(harness.rows(window), TIPS):
            harness.x("xdotool", "mousemove", *centre(row["rect"]))
            poll(lambda: [t["caption"] for t in monitor.windows("tooltips_class32")],
                 f"the tooltip {tip}", until=[tip].__eq__)
        harness.x("xdotool", "mousemove", *PARK)

    def test_each_row_follows_its_own_image_in_any_letter_case_through_bounded_waits(self):
        prefix, monitor, window = self.started(trace=True, channels="+wbemprox")
        monitor.wait_colours(window, rows_lit())
        images = [tip.split(" - ")[1] for tip in TIPS]  # every other one in capitals
        lit = [prefix.named_process(i.upper() if n % 2 else i) for n, i in enumerate(images)]
        monitor.wait_colours(window, rows_lit(*NAMES))
        for proc in lit[::2]:
            proc.kill()
        monitor.wait_colours(window, rows_lit(*NAMES[1::2]))
        # Wine 8 answers at once whatever the time-out: what a hung WMI provider does to the rows,
        # only Windows shows. "enum_class_object_Next <enumerator>, <time-out in ms>, ..."
        text = monitor.trace.read_text(errors="replace")
        waits = [int(w) for w in re.findall(r"enum_class_object_Next \w+, (-?\d+),", text)]
        self.assertGreaterEqual(len(waits), 14, "the probes' waits")
        self.assertEqual([w for w in waits if not 0 < w <= 2000], [], "unbounded waits")
        # "wbem_locator_ConnectServer <locator>, <namespace>, <user>, <password>, <locale>,
        # <flags>, ...": WMI's most time for the bind, WBEM_FLAG_CONNECT_USE_MAX_WAIT.
        binds = re.findall(r'ConnectServer \w+, L"[^"]*", \S+ \S+ \S+ (0x\w+),', text)
        self.assertTrue(binds and all(int(f, 16) & 0x80 for f in binds), binds[:3])


class Placement:
    ARCHES = ("x64",)

    def test_a_stored_placement_opens_as_stored_and_is_saved_back(self):
        # 4505 and 2995 twips are no whole pixel: it opens near them and saves them back as is.
        # 3000 twips, 200 pixels, are too short for this frame: it grows to hold its controls.
        # A value is read up to its first NUL, as Windows' own tools show it.
        prefix, monitor, window = self.started(placement("4505\0junk", "2995", "1500", "3000"))
        self.assertEqual(window["window"], [300, 200, 100, 214])
        self.assertEqual(monitor.close(), 0)
        self.assertEqual(prefix.settings(), placement("4505", "2995", "1500", "3210"))

    def test_a_window_dragged_then_ended_with_the_session_is_saved_where_it_was_left(self):
        prefix, monitor, window = self.started()
        grip = (window["window"][0] + 30, (window["window"][1] + window["client"][1]) // 2)
        drag(grip, (grip[0] + 30, grip[1] + 20))
        poll(lambda: monitor.main()["window"] == [97, 87, 81, 214], "the window dragged")
        # Wine, like Windows, ends the process after WM_ENDSESSION without closing its windows.
        self.assertEqual(prefix.run("wineboot", "--end-session")[0], 0)
        self.assertEqual(monitor.wait_exit(), 0)
        self.assertEqual(prefix.settings(), placement("1455", "1305", "1215", "3210"))

    @harness.slow
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
            if (saved := prefix.settings()) not in sets.values():
                mixed.append(saved)
        self.assertEqual(mixed, [], f"{len(mixed)} of {rounds} rounds saved a mix")

    def test_a_caption_out_of_reach_opens_in_the_work_area_of_the_real_screen(self):
        prefix = self.prefix()
        left, top, width, height = prefix.windows("TAVORI_MAIN")["work"]
        size = FIRST_RUN[96][0]
        right, bottom = left + width - size[0], top + height - size[1]
        for stored, rect in [(("-100000", "1000"), [left, 67]),
                             (("100000", "100000"), [right, bottom]),
                             (("1000", "-3195"), [67, top])]:  # one pixel row on screen
            with self.subTest(stored=stored):
                prefix.store(placement(*stored, "1215", "3135"))
                monitor = self.monitor(prefix)
                try:
                    window = monitor.wait_main()["window"]
                finally:
                    monitor.end("TAVORI_MAIN")  # so that the next case does not find its window
                self.assertEqual(window, rect + size)


class BadValues:
    ARCHES = ("x64", "x86")

    @harness.slow
    def test_a_bad_placement_value_gives_one_box_status_one_and_writes_nothing(self):
        self.check_cases([  # stored, box texts
            ({"MainLeft": ""}, ['"MainLeft" holds ""', re.escape(KEY), "delete it"]),
            # A huge value is shown cut, with its length, in a box that fits the screen.
            ({"MainTop": "x" * 100000}, ['"MainTop" holds "x{10,}', "100,?000"]),
            # Text beyond ASCII comes through the registry and into the box unchanged.
            ({"MainLeft": "Zwölf €"}, ['"MainLeft" holds "Zwölf €"']),
            ({"MainWidth": 1215}, ['"MainWidth"', r"not a text \(REG_SZ\) value"]),
        ])

    @harness.slow
    def test_a_bad_check_box_value_or_a_failing_first_probe_gives_one_box(self):
        self.check_cases([  # stored, box texts, DLLs turned off, whether the dialog is opened
            ({ALWAYS: "abc"}, [f'"{ALWAYS}" holds "abc"']),
            ({ALWAYS: "3"}, [f'"{ALWAYS}" holds "3"', re.escape(KEY), "from 0 to 2"], "", True),
            # Without Wine's WMI provider the first probe fails.
            ({}, [r"\(WMI\)", "Error 0x", "Winmgmt"], "wbemprox=d"),
        ])

    def check_cases(self, cases):
        prefix = self.prefix()
        for stored, texts, dlls, options in (c + ("", False)[len(c) - 2:] for c in cases):
            with self.subTest(stored=str(stored)[:40], dlls=dlls):
                prefix.store(stored)
                monitor = self.monitor(prefix, dlls=dlls)
                try:
                    if options:
                        click(centre(child(monitor.wait_main(), "OPTIONS")["rect"]))
                    # The main window shows under the box once its load went well.
                    self.check_box_and_exit(prefix, monitor, stored, options or bool(dlls), texts)
                finally:
                    monitor.end(*SHOWN)  # so that the next case meets neither it nor its box
            if self.ARCH == "x86":
                break  # the 32-bit exe shares the code: one case shows that it runs it

    def test_a_probe_that_fails_after_start_up_gives_the_box(self):
        prefix, monitor, window = self.started()
        monitor.wait_colours(window, rows_lit())
        # WMI's locator, registered anew as a DLL that does not exist: the next probe cannot
        # create it. (Wine 8 reads COM's classes from the machine's part of the registry only.)
        prefix.reg_import(f"[{MACHINE_CLASSES}\\CLSID\\{WBEM_LOCATOR}\\InprocServer32]\n"
                          r'@="C:\\e2e\\nowhere.dll"')
        self.check_box_and_exit(prefix, monitor, None, True, [r"\(WMI\)", "Error 0x"])

    def check_box_and_exit(self, prefix, monitor, stored, main_shown, texts):
        box = monitor.one_box()
        for text in texts:
            self.assertRegex(box["text"], text)
        self.assertTrue(len(box["text"]) < 2000 and box["window"][2] <= 1024, box["window"])
        shown = monitor.windows("TAVORI_OPTIONS") + monitor.windows("TAVORI_MAIN")
        self.assertEqual(len(shown), main_shown, "a window showed")
        prefix.close_window(box["hwnd"])
        self.assertEqual(monitor.wait_exit(), 1)
        self.assertEqual(prefix.settings(), stored)


harness.per_exe(globals())
