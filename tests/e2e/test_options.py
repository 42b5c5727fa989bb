"""The options dialog: modal, keyboard, check box and keeper, labels, placement saved on closing."""

import harness
from harness import centre, child, click, keys, poll, topmost
from test_main_window import ALWAYS, DEFAULTS, OPTIONS

TEXTS = ["Always On Top", "OK", "START IIS SERVICE", "STOP IIS SERVICE",  # in tab order
         "HALWERK - TAVORI", "Version 1.0", "Created By HALWERK"]
CREDIT, CONTACT = "Created By HALWERK", "tavori@halwerk.example"
WM_COMMAND, WM_ENDSESSION = 0x111, 0x16


class Options:
    ARCHES = ("x64", "x86")

    def open(self, stored=None):
        """A monitor with its options dialog open: (prefix, monitor, main window, dialog)."""
        prefix, monitor, main = self.started(stored)
        return prefix, monitor, main, monitor.open_options(main)

    def closed(self, monitor):
        poll(lambda: not monitor.windows("TAVORI_OPTIONS"), "the dialog to close")
        self.assertTrue(monitor.main()["enabled"])

    def stored(self, prefix, text):
        poll(prefix.settings, f"{ALWAYS}={text}", until=lambda v: (v or {}).get(ALWAYS) == text)

    def test_opens_modal_over_the_main_window_once_with_its_controls_in_tab_order(self):
        prefix, monitor, main, dialog = self.open()
        self.assertEqual([c["text"] for c in dialog["children"]], TEXTS)
        self.assertFalse(monitor.main()["enabled"])
        self.assertIsNone(prefix.settings())
        # OPTIONS from another program while the dialog is open opens no second one.
        button = child(main, "OPTIONS")
        prefix.message("send", main["hwnd"], WM_COMMAND, button["id"], button["hwnd"])
        self.assertEqual([d["hwnd"] for d in monitor.windows("TAVORI_OPTIONS")], [dialog["hwnd"]])

    def test_enter_and_escape_close_nothing_and_the_space_bar_ticks_the_box(self):
        prefix, monitor, _, dialog = self.open()
        keys(centre(dialog["client"]), "Return", "Escape", "space")
        self.stored(prefix, "1")
        self.assertEqual([d["hwnd"] for d in monitor.windows("TAVORI_OPTIONS")], [dialog["hwnd"]])
        self.assertEqual(list(prefix.settings()), [ALWAYS])

    def test_ticked_the_keeper_lifts_the_main_window_without_taking_the_keyboard(self):
        prefix, monitor, _, dialog = self.open()
        keys(centre(dialog["client"]), "space")
        self.stored(prefix, "1")
        poll(lambda: topmost(monitor.main()), "the main window in the topmost band")
        box = child(dialog, "Always On Top")["hwnd"]
        _, seen = prefix.helper("focus", dialog["hwnd"], 3000)
        self.assertEqual({line for line in seen.splitlines()},
                         {f'{{"foreground": {dialog["hwnd"]}, "active": {dialog["hwnd"]}, '
                          f'"focus": {box}}}'})
        above = monitor.windows("TAVORI_OPTIONS")[0]["z"] < monitor.main()["z"]
        self.assertTrue(above, "the dialog is below the main window")
        # Unticked, the keeper gives back the band its ticks took.
        keys(centre(dialog["client"]), "space")
        self.stored(prefix, "0")
        self.assertFalse(topmost(monitor.main()), "unticked, yet still in the topmost band")

    def test_the_credit_shows_the_contact_address_until_the_dialog_closes(self):
        _, monitor, main, dialog = self.open()
        click(centre(child(dialog, CREDIT)["rect"]), 2)
        poll(lambda: [c["text"] for c in monitor.windows("TAVORI_OPTIONS")[0]["children"]][-1],
             "the contact address", until=CONTACT.__eq__)
        click(centre(child(dialog, "OK")["rect"]))
        self.closed(monitor)
        self.assertEqual(monitor.open_options(main)["children"][-1]["text"], CREDIT)

    def test_the_labels_show_green_text_on_black(self):
        prefix, _, _, dialog = self.open()
        shot, labels = prefix.root / "dialog.png", [child(dialog, t)["rect"] for t in TEXTS[4:]]

        def colours():  # within each label's thin border, once the dialog is painted
            harness.snap(shot)
            return [harness.colours_in(shot, [x + 2, y + 2, w - 4, h - 4]) for x, y, w, h in labels]

        poll(colours, "green text on black in every label",
             until=lambda seen: seen == [{"000000", "00FF00"}] * len(labels))

    def test_a_stored_placement_and_a_stored_two_show_as_stored_and_the_placement_is_saved_back(
            self):
        # OK saves as the close box does: the first-run tests close the dialog with OK.
        placement = dict(zip(OPTIONS, ["3000", "4505", "6000", "3000"]))
        prefix, monitor, _, dialog = self.open({ALWAYS: "2", **placement})
        self.assertEqual(dialog["window"], [200, 300, 400, 200])
        self.assertEqual(child(dialog, "Always On Top")["check"], 2)
        prefix.forget()  # so that what the close saves is all there is
        prefix.close_window(dialog["hwnd"])  # as the close box does
        self.closed(monitor)
        self.assertEqual(prefix.settings(), placement)

    def test_a_session_end_sent_to_the_dialog_saves_both_windows_and_ends(self):
        prefix, monitor, _, dialog = self.open()
        prefix.message("send", dialog["hwnd"], WM_ENDSESSION, 1)
        self.assertEqual(monitor.wait_exit(), 0)
        self.assertEqual(sorted(prefix.settings()), sorted([*OPTIONS, *DEFAULTS]))


harness.per_exe(globals())
