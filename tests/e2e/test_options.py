"""The options dialog: modal, keyboard, check box and keeper, placement saved on closing."""

import time

import harness
from harness import KEY, centre, click, keys, poll, topmost
from test_main_window import ALWAYS, DEFAULTS, child, rows_lit

OPTIONS = ["OPTIONSMainLeft", "OPTIONSMainTop", "OPTIONSMainWidth", "OPTIONSMainHeight"]
TEXTS = ["Always On Top", "OK", "START IIS SERVICE", "STOP IIS SERVICE",  # in tab order
         "HALWERK - TAVORI", "Version 1.0", "Created By HALWERK"]
CREDIT, CONTACT = "Created By HALWERK", "tavori@halwerk.example"
WM_TIMER, WM_COMMAND, WM_ENDSESSION = 0x113, 0x111, 0x16


def close_box(window):
    """The middle of the close box, which Wine draws at the right end of the caption bar."""
    (left, top, width, _), (client_left, client_top) = window["window"], window["client"][:2]
    frame = client_left - left
    caption = client_top - top - frame
    return left + width - frame - caption // 2, top + frame + caption // 2


class Options:
    ARCHES = ("x64", "x86")

    def test_modal_keyboard_check_box_keeper_and_saved_placement(self):
        prefix = self.prefix()
        started = time.monotonic()
        monitor = self.monitor(prefix, trace=True)
        main = monitor.wait_main()
        button = child(main, "OPTIONS")

        def closed():
            poll(lambda: not monitor.windows("TAVORI_OPTIONS"), "the dialog to close")
            self.assertTrue(monitor.main()["enabled"])

        def wait_stored(text):
            poll(prefix.settings, f"{ALWAYS}={text}", until=lambda v: (v or {}).get(ALWAYS) == text)

        # Ticks sent from outside by the thousand cost no probe each, and keep no click waiting:
        # at most two probes a row a second, whatever comes.
        monitor.wait_colours(main, rows_lit())
        for row in (1, 4):
            prefix.message("post", main["hwnd"], WM_TIMER, row, count=1500)
        dialog = monitor.open_options(main)
        probes = len(monitor.calls("CoCreateInstance"))
        self.assertLessEqual(probes, 2 * 7 * (time.monotonic() - started + 1))
        self.assertEqual([c for c in monitor.calls("PostMessageW") if c[1] == f"{WM_TIMER:x}"], [])

        self.assertEqual(dialog["window"][:2], [67, 67])
        self.assertEqual([c["text"] for c in dialog["children"]], TEXTS)
        self.assertFalse(monitor.main()["enabled"])
        self.assertIsNone(prefix.settings())
        # OPTIONS from another program while the dialog is open opens no second one.
        prefix.message("send", main["hwnd"], WM_COMMAND, button["id"], button["hwnd"])
        self.assertEqual([d["hwnd"] for d in monitor.windows("TAVORI_OPTIONS")], [dialog["hwnd"]])
        # Enter and Escape close nothing; the space typed after them ticks the focused box.
        keys(centre(dialog["client"]), "Return", "Escape", "space")
        wait_stored("1")
        self.assertEqual([d["hwnd"] for d in monitor.windows("TAVORI_OPTIONS")], [dialog["hwnd"]])
        self.assertEqual(list(prefix.settings()), [ALWAYS])
        # The keeper, on at once, lifts the main window under the dialog without ever taking the
        # activation or the keyboard from it.
        poll(lambda: topmost(monitor.main()), "the main window in the topmost band")
        box = child(dialog, "Always On Top")["hwnd"]
        _, seen = prefix.run(r"C:\e2e\helper.exe", "focus", dialog["hwnd"], 3000)
        self.assertEqual({line for line in seen.splitlines()},
                         {f'{{"foreground": {dialog["hwnd"]}, "active": {dialog["hwnd"]}, '
                          f'"focus": {box}}}'})
        above = monitor.windows("TAVORI_OPTIONS")[0]["z"] < monitor.main()["z"]
        self.assertTrue(above, "the dialog is below the main window")
        keys(centre(dialog["client"]), "space")
        wait_stored("0")
        self.assertFalse(topmost(monitor.main()), "unticked, yet still in the topmost band")
        # The credit shows the contact address on a double-click, until the dialog closes.
        click(centre(child(dialog, CREDIT)["rect"]), 2)
        poll(lambda: [c["text"] for c in monitor.windows("TAVORI_OPTIONS")[0]["children"]][-1],
             "the contact address", until=CONTACT.__eq__)
        click(centre(child(dialog, "OK")["rect"]))
        closed()
        self.assertEqual(prefix.settings(),
                         {ALWAYS: "0", **dict(zip(OPTIONS, ["1000", "1000", "6495", "3030"]))})

        # A stored "2" greys the box and is stored back; the close box saves as OK does.
        stored = {ALWAYS: "2", **dict(zip(OPTIONS, ["3000", "4505", "6000", "3000"]))}
        prefix.store(stored)
        dialog = monitor.open_options(main)
        self.assertEqual(dialog["window"], [200, 300, 400, 200])
        self.assertEqual(child(dialog, "Always On Top")["check"], 2)
        self.assertEqual(dialog["children"][-1]["text"], CREDIT)
        click(close_box(dialog))
        closed()
        self.assertEqual(prefix.settings(), stored)

        # Dragged far smaller, its frame stops at the system's smallest for a sizable window.
        left, top, width, height = monitor.open_options(main)["window"]
        harness.drag((left + width - 2, top + height - 2), (left + 5, top + 5))

        def resized():
            facts = prefix.windows("TAVORI_OPTIONS")
            return facts["windows"][0]["window"][2:] != [width, height] and facts

        facts = poll(resized, "the dialog to be resized")
        (width, height), small = facts["windows"][0]["window"][2:], facts["min_track"]
        self.assertTrue(width >= small[0] and height >= small[1], f"{width}x{height} < {small}")
        # Another program closes the main window under the dialog: both placements are saved.
        prefix.run("reg", "delete", KEY, "/f")
        prefix.close_window(main["hwnd"])
        self.assertEqual(monitor.wait_exit(), 0)
        self.assertEqual(sorted(prefix.settings()), sorted([*OPTIONS, *DEFAULTS]))

    def test_a_session_end_sent_to_the_dialog_saves_both_windows_and_ends(self):
        prefix = self.prefix()
        monitor = self.monitor(prefix)
        dialog = monitor.open_options(monitor.wait_main())
        prefix.message("send", dialog["hwnd"], WM_ENDSESSION, 1)
        self.assertEqual(monitor.wait_exit(), 0)
        self.assertEqual(sorted(prefix.settings()), sorted([*OPTIONS, *DEFAULTS]))


harness.per_exe(globals())
