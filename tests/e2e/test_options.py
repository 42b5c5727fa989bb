"""The options dialog and the always-on-top keeper of tavori.exe, run under Wine on Xvfb: opened
with a click on OPTIONS, worked with the X pointer and keyboard, its settings read with reg.exe.

Without a window manager X's stacking does not follow Win32's topmost band, so whether a window
is topmost is read from its extended style (WS_EX_TOPMOST)."""

import json
import os

import desktop
import harness
from desktop import ACTION_DEADLINE, topmost
from monitor import CAPTION, MAIN_CLASS, ROW_NAMES, Monitor
from registry import ALWAYS_ON_TOP_KEY, OPTIONS_PLACEMENT_KEYS, SETTINGS_KEY
from services import ServiceHost, process_names

OPTIONS_CLASS = "TAVORI_OPTIONS"
OPTIONS_CAPTION = "TAVORI - OPTIONS"
TITLE = "HALWERK - TAVORI"
CREDIT = "Created By HALWERK"
CONTACT_ADDRESS = "tavori@halwerk.example"
VERSION = "Version 1.0"
CHECK_BOX = "Always On Top"

# 1000, 1000, 6375 x 2805 twips; 15 twips make a pixel at 96 dpi.
OPTIONS_FIRST_RUN_VALUES = dict(zip(OPTIONS_PLACEMENT_KEYS, ("1000", "1000", "6375", "2805")))
OPTIONS_FIRST_RUN_RECT = {"left": 67, "top": 67, "width": 425, "height": 187}
# To the right of the main window, which the dialog covers where it first opens.
OPTIONS_BESIDE_MAIN = dict(zip(OPTIONS_PLACEMENT_KEYS, ("3000", "1005", "6375", "2805")))

BLACK = (0, 0, 0)
SCREENSHOT_PATH = harness.REPO / "docs" / "screenshot-options.png"


def control(info, text):
    """The dialog's child control showing text."""
    found = [c for c in info["children"] if c["text"] == text]
    if len(found) != 1:
        raise AssertionError(f"{len(found)} controls say {text!r}: {info['children']}")
    return found[0]


class OptionsTestCase(desktop.DesktopTestCase):
    """A fresh prefix per test, with the settings the test stores before the monitor starts."""

    def start_monitor(self, stored=None, **monitor_args):
        if stored:
            self.settings.store(stored)
        self.monitor = Monitor(self.bottle, **monitor_args)
        self.monitor.wait_mapped()
        return self.monitor

    def main_window(self):
        return self.monitor.refresh_info()

    def open_options(self):
        """Clicks OPTIONS; returns the helper's report on the dialog once it shows."""
        self.desktop.click_rect(self.monitor.option_buttons()[0]["rect"])
        try:
            return self.desktop.wait_window(OPTIONS_CLASS, OPTIONS_CAPTION)
        except AssertionError as error:
            raise AssertionError(f"{error}\n{self.monitor.diagnose()}") from None

    def options(self):
        return self.bottle.window_info(OPTIONS_CLASS, OPTIONS_CAPTION)

    def click(self, info, text, count=1):
        self.desktop.click_rect(control(info, text)["rect"], count=count)

    def click_close_box(self, info):
        """Clicks the close box at the right end of the dialog's caption bar (which Wine draws
        itself without a window manager): as wide as the caption is high, inside the frame."""
        window, client = info["window"], info["client"]
        frame = client["left"] - window["left"]
        caption_height = client["top"] - window["top"] - frame
        self.desktop.click(
            window["left"] + window["width"] - frame - caption_height // 2,
            window["top"] + frame + caption_height // 2,
        )

    def wait_closed(self):
        try:
            self.desktop.wait_window_gone(OPTIONS_CLASS, OPTIONS_CAPTION)
        except AssertionError as error:
            raise AssertionError(f"{error}\n{self.monitor.diagnose()}") from None

    def wait_setting(self, key, text):
        """Waits for the stored value of key to read text (None: for it to be absent)."""
        harness.poll_value(lambda: (self.settings.values() or {}).get(key), text, ACTION_DEADLINE,
                           f"{key} to be stored as {text!r}", "it read")

    def check_box_state(self):
        return self.desktop.check_state(OPTIONS_CLASS, OPTIONS_CAPTION, CHECK_BOX)

    def wait_main_topmost(self):
        harness.poll(lambda: topmost(self.main_window()), ACTION_DEADLINE,
                     "the main window to be topmost (WS_EX_TOPMOST)")


class OptionsDialogTest(OptionsTestCase):
    def test_opens_modal_with_its_controls_over_a_disabled_main_window(self):
        self.start_monitor()
        info = self.open_options()

        self.assertEqual(info["window"], OPTIONS_FIRST_RUN_RECT)
        self.assertEqual(
            sorted(c["text"] for c in info["children"]),
            sorted([TITLE, CREDIT, VERSION, "START IIS SERVICE", "STOP IIS SERVICE", CHECK_BOX,
                    "OK"]),
        )
        self.assertTrue(all(c["visible"] and c["enabled"] for c in info["children"]))
        self.assertFalse(self.main_window()["enabled"], "the main window takes clicks")
        self.assertIsNone(self.settings.values(), "opening the dialog wrote settings")

        # The three labels are green on black; the window may show a moment before it paints.
        def painted():
            image = self.monitor.screenshot()
            for text in (TITLE, CREDIT, VERSION):
                rect = control(info, text)["rect"]
                counts = image.colour_census(rect["left"] + 2, rect["top"] + 2,
                                             rect["width"] - 4, rect["height"] - 4)
                area = (rect["width"] - 4) * (rect["height"] - 4)
                if counts.get(BLACK, 0) * 2 < area or not counts.get(harness.GREEN):
                    return None
            return image

        image = harness.poll(painted, harness.COLOUR_DEADLINE, "green on black labels")
        if os.environ.get("TAVORI_SCREENSHOTS"):
            rect = info["window"]
            image.crop(rect["left"], rect["top"], rect["width"], rect["height"]).save_png(
                SCREENSHOT_PATH
            )

    def test_enter_and_escape_do_nothing_and_the_check_box_has_the_focus(self):
        self.start_monitor()
        info = self.open_options()
        ok_button = control(info, "OK")["hwnd"]

        # Typed in order: once the space has ticked the box, Enter and Escape were handled.
        self.desktop.keys(info["client"], "Return", "Escape", "space")
        self.wait_setting(ALWAYS_ON_TOP_KEY, "1")
        self.assertEqual(self.check_box_state(), 1)
        still = self.options()
        self.assertIsNotNone(still, "the dialog closed")
        self.assertEqual(control(still, "OK")["hwnd"], ok_button, "a new dialog opened")
        values = self.settings.values()
        self.assertFalse(set(OPTIONS_PLACEMENT_KEYS) & set(values), f"it was closed: {values}")
        self.assertFalse(self.main_window()["enabled"])

    def test_ok_closes_it_saves_its_placement_and_forgets_the_shown_address(self):
        self.start_monitor()
        info = self.open_options()
        self.click(info, CREDIT, count=2)
        harness.poll(lambda: any(c["text"] == CONTACT_ADDRESS for c in self.options()["children"]),
                     ACTION_DEADLINE, "the contact address to replace the credit")

        self.click(info, "OK")
        self.wait_closed()
        self.assertTrue(self.main_window()["enabled"], "the main window stayed disabled")
        self.assertEqual(self.settings.values(), OPTIONS_FIRST_RUN_VALUES)

        reopened = self.open_options()
        self.assertEqual(control(reopened, CREDIT)["text"], CREDIT)

    def test_close_box_saves_the_stored_placement_unchanged(self):
        stored = dict(OPTIONS_FIRST_RUN_VALUES, OPTIONSMainLeft="3000", OPTIONSMainTop="4505",
                      OPTIONSMainWidth="6000", OPTIONSMainHeight="3000")
        self.start_monitor(stored)
        info = self.open_options()
        self.assertEqual(info["window"], {"left": 200, "top": 300, "width": 400, "height": 200})

        self.click_close_box(info)
        self.wait_closed()
        self.assertTrue(self.main_window()["enabled"], "the main window stayed disabled")
        self.assertEqual(self.settings.values(), stored)

    def test_rows_keep_repainting_while_it_is_open(self):
        self.start_monitor(OPTIONS_BESIDE_MAIN)
        self.monitor.wait_row_colours(["red"] * 7)
        info = self.open_options()
        self.assertEqual(info["window"]["left"], 200, "the dialog covers the rows")

        self.bottle.start_named_process("mepops.exe")
        expected = ["red"] * 7
        expected[ROW_NAMES.index("MEPOPS")] = "green"
        self.monitor.wait_row_colours(expected)
        self.assertIsNotNone(self.options(), "the dialog closed")
        self.assertFalse(self.main_window()["enabled"])


class IisServiceButtonTest(OptionsTestCase):
    """START and STOP IIS SERVICE run the system's net.exe for W3SVC: here a real service of
    that name, the test helper in its service mode, run by Wine's service manager."""

    def test_start_and_stop_buttons_start_and_stop_the_w3svc_service(self):
        # The host's copy of tavori.exe has net.exe stand-ins beside it and in its working
        # folder; waiting for a service state fails at once if one of them ran instead.
        host = ServiceHost(self.bottle)
        host.install("W3SVC", "w3svc.exe")
        self.addCleanup(host.stop_all)
        host.wait_state("W3SVC", "STOPPED")
        self.start_monitor(**host.monitor_args())
        info = self.open_options()

        self.click(info, "START IIS SERVICE")
        host.wait_state("W3SVC", "RUNNING")
        self.assertIn("w3svc.exe", process_names(self.bottle))

        self.click(info, "STOP IIS SERVICE")
        host.wait_state("W3SVC", "STOPPED")
        self.assertIsNotNone(self.options(), "the dialog closed")


class AlwaysOnTopTest(OptionsTestCase):
    def test_rival_topmost_foreground_window_loses_the_band_to_the_monitor(self):
        self.start_monitor({ALWAYS_ON_TOP_KEY: "1"})
        # The keeper leaves the band alone while the main window holds the foreground.
        self.assertEqual(self.desktop.foreground()["class"], MAIN_CLASS)
        self.assertFalse(topmost(self.main_window()), "topmost before any rival")

        rival = self.bottle.start("C:\\e2e\\tavori-testhelper.exe", "rival", "RIVAL",
                                  log_name="rival")
        self.addCleanup(self.bottle.kill, rival)
        # The rival reports itself once it holds the foreground.
        def reported():
            if rival.poll() is not None:
                raise AssertionError(f"the rival ended: {self.bottle.log_text('rival')}")
            lines = self.bottle.log_text("rival").splitlines()
            return next((json.loads(line) for line in lines if line.startswith("{")), None)

        report = harness.poll(reported, harness.MAP_DEADLINE, "the rival to take the foreground")
        self.assertTrue(topmost(report), report)

        harness.poll(lambda: not topmost(self.bottle.window_info("TAVORI_TEST_RIVAL")),
                     ACTION_DEADLINE, "the rival to leave the topmost band")
        self.wait_main_topmost()

    def test_each_click_on_the_check_box_is_stored_at_once_and_switches_the_keeper(self):
        self.start_monitor()
        info = self.open_options()
        self.assertFalse(topmost(self.main_window()))

        self.assertEqual(self.check_box_state(), 0)
        self.click(info, CHECK_BOX)
        self.wait_setting(ALWAYS_ON_TOP_KEY, "1")
        self.assertEqual(self.check_box_state(), 1)
        # The dialog holds the foreground: the keeper, now on, gives the main window the band.
        self.wait_main_topmost()
        self.click(info, CHECK_BOX)
        self.wait_setting(ALWAYS_ON_TOP_KEY, "0")
        self.click(info, CHECK_BOX)
        self.wait_setting(ALWAYS_ON_TOP_KEY, "1")
        self.assertIsNotNone(self.options(), "the dialog closed")

    def test_dialog_keeps_the_keyboard_while_the_keeper_lifts_the_main_window(self):
        self.start_monitor({ALWAYS_ON_TOP_KEY: "1"})
        info = self.open_options()
        # Each tick makes the disabled main window topmost, which also activates it; the
        # activation must come back to the dialog, or typing in the dialog does nothing.
        self.wait_main_topmost()
        harness.poll(lambda: (self.desktop.foreground() or {}).get("class") == OPTIONS_CLASS,
                     ACTION_DEADLINE, "the dialog to hold the foreground again")
        self.desktop.keys(info["client"], "space")
        self.wait_setting(ALWAYS_ON_TOP_KEY, "0")
        self.assertEqual(self.check_box_state(), 0)

    def test_stored_choice_sets_the_box_each_time_the_dialog_opens(self):
        self.start_monitor()
        # stored; the box at opening (0 cleared, 1 ticked, 2 greyed); what a click stores
        for stored, box, clicked in [("1", 1, "0"), ("2", 2, "0"), ("0", 0, "1")]:
            with self.subTest(stored=stored):
                self.settings.store({ALWAYS_ON_TOP_KEY: stored})
                info = self.open_options()
                self.assertEqual(self.check_box_state(), box)
                self.assertEqual(self.settings.values()[ALWAYS_ON_TOP_KEY], stored)
                self.click(info, CHECK_BOX)
                self.wait_setting(ALWAYS_ON_TOP_KEY, clicked)
                self.assertEqual(self.check_box_state(), int(clicked))
                self.click(info, "OK")
                self.wait_closed()


class UnusableChoiceTest(OptionsTestCase):
    def test_choice_out_of_range_ends_the_program_with_one_box_when_the_dialog_opens(self):
        stored = {ALWAYS_ON_TOP_KEY: "3"}
        self.start_monitor(stored)
        self.desktop.click_rect(self.monitor.option_buttons()[0]["rect"])

        shown = harness.poll(lambda: self.desktop.message_boxes(self.monitor.info["pid"]),
                             harness.MAP_DEADLINE, "a message box")
        self.assertEqual([b["caption"] for b in shown], [CAPTION])
        message = self.desktop.message_box_text(CAPTION)
        self.assertIn(f'"{ALWAYS_ON_TOP_KEY}" holds "3"', message)
        self.assertIn(SETTINGS_KEY, message)
        options = self.options()
        self.assertFalse(options and options["visible"], "the dialog showed")

        status, _ = self.bottle.helper("close", "#32770", CAPTION)
        self.assertEqual(status, 0)
        self.assertEqual(self.monitor.wait_exit(), 1)
        self.assertEqual(self.settings.values(), stored)
