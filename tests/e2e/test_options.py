"""The options dialog: modal, keyboard, check box and keeper, placement saved on closing."""

import harness
from harness import centre, click, keys, poll, topmost
from test_main_window import ALWAYS, child

OPTIONS = ["OPTIONSMainLeft", "OPTIONSMainTop", "OPTIONSMainWidth", "OPTIONSMainHeight"]
TEXTS = ["HALWERK - TAVORI", "Created By HALWERK", "Version 1.0", "START IIS SERVICE",
         "STOP IIS SERVICE", "Always On Top", "OK"]


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
        monitor = self.monitor(prefix)
        button = centre(child(monitor.wait_main(), "OPTIONS")["rect"])

        def open_dialog():
            click(button)
            return poll(lambda: monitor.windows("TAVORI_OPTIONS"), "the options dialog")[0]

        def closed():
            poll(lambda: not monitor.windows("TAVORI_OPTIONS"), "the dialog to close")
            self.assertTrue(monitor.main()["enabled"])

        def wait_stored(text):
            poll(prefix.settings, f"{ALWAYS}={text}", until=lambda v: (v or {}).get(ALWAYS) == text)

        dialog = open_dialog()
        self.assertEqual(dialog["window"], [67, 67, 425, 187])
        self.assertEqual(sorted(c["text"] for c in dialog["children"]), sorted(TEXTS))
        self.assertFalse(monitor.main()["enabled"])
        self.assertIsNone(prefix.settings())
        # Enter and Escape close nothing; the space typed after them ticks the focused box.
        keys(centre(dialog["client"]), "Return", "Escape", "space")
        wait_stored("1")
        self.assertEqual([d["hwnd"] for d in monitor.windows("TAVORI_OPTIONS")], [dialog["hwnd"]])
        self.assertEqual(child(monitor.windows("TAVORI_OPTIONS")[0], "Always On Top")["check"], 1)
        self.assertEqual(list(prefix.settings()), [ALWAYS])
        # The keeper, on at once, lifts the disabled main window, which must hand the keyboard
        # back to the dialog.
        poll(lambda: topmost(monitor.main()), "the main window in the topmost band")
        poll(lambda: prefix.windows("TAVORI_OPTIONS")["foreground"],
             f"the dialog ({dialog['hwnd']}) to hold the foreground again",
             until=dialog["hwnd"].__eq__)
        keys(centre(dialog["client"]), "space")
        wait_stored("0")
        self.assertFalse(topmost(monitor.main()), "unticked, yet still in the topmost band")
        click(centre(child(dialog, "OK")["rect"]))
        closed()
        self.assertEqual(prefix.settings(),
                         {ALWAYS: "0", **dict(zip(OPTIONS, ["1000", "1000", "6375", "2805"]))})

        # A stored "2" greys the box and is stored back; the close box saves as OK does.
        stored = {ALWAYS: "2", **dict(zip(OPTIONS, ["3000", "4505", "6000", "3000"]))}
        prefix.store(stored)
        dialog = open_dialog()
        self.assertEqual(dialog["window"], [200, 300, 400, 200])
        self.assertEqual(child(dialog, "Always On Top")["check"], 2)
        click(close_box(dialog))
        closed()
        self.assertEqual(prefix.settings(), stored)

        # Dragged far smaller, its frame stops at the system's smallest for a sizable window.
        left, top, width, height = open_dialog()["window"]
        harness.drag((left + width - 2, top + height - 2), (left + 5, top + 5))

        def resized():
            facts = prefix.windows("TAVORI_OPTIONS")
            return facts["windows"][0]["window"][2:] != [width, height] and facts

        facts = poll(resized, "the dialog to be resized")
        (width, height), small = facts["windows"][0]["window"][2:], facts["min_track"]
        self.assertTrue(width >= small[0] and height >= small[1], f"{width}x{height} < {small}")


harness.per_exe(globals())
