"""The main window of tavori.exe, run under Wine on Xvfb."""

import json
import os
import unittest

import harness
from monitor import CAPTION, MAIN_CLASS, ROW_NAMES, Monitor
from registry import Settings

WS_MAXIMIZEBOX = 0x00010000
WS_MINIMIZEBOX = 0x00020000
WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000
WS_CAPTION = 0x00C00000
WS_EX_TOOLWINDOW = 0x00000080
ES_CENTER = 0x0001
ES_READONLY = 0x0800

ROW_TOOLTIPS = [
    "MailEnable IMAP Service - meimaps.exe",
    "MailEnable List Connector - melsc.exe",
    "MailEnable Mail Transfer Agent - memta.exe",
    "MailEnable Migration Service - medms.exe",
    "MailEnable POP Service - mepops.exe",
    "MailEnable Postoffice Connector - mepoc.exe",
    "MailEnable SMTP Connector - mesmtpc.exe",
]

SCREENSHOT_PATH = harness.REPO / "docs" / "screenshot-main.png"


def style(window, key="style"):
    return int(window[key], 16)


class MonitorTestCase(unittest.TestCase):
    """Each test gets a fresh prefix, so the monitor always starts as on a first run."""

    def start_monitor(self, dll_overrides=""):
        self.bottle = harness.session().bottle(self.id(), dll_overrides)
        self.addCleanup(self.bottle.close)
        self.monitor = Monitor(self.bottle)
        return self.monitor


class FirstRunWindowTest(harness.SharedBottleTestCase):
    """What the helper reports about the main window of a monitor started in a new prefix.
    The monitor lays out in twips; at the 96 dpi Wine reports, 15 twips make a pixel."""

    BOTTLE_NAME = "first-run-window"

    @classmethod
    def prepare_bottle(cls):
        cls.monitor = Monitor(cls.bottle)
        cls.info = cls.monitor.wait_mapped()

    def test_screen_is_96_dpi(self):
        # Every pixel size below assumes it; Wine reports 96 unless its registry says otherwise.
        self.assertEqual(self.info["dpi"], {"x": 96, "y": 96})

    def test_caption_and_first_run_placement(self):
        self.assertEqual(self.info["caption"], CAPTION)
        self.assertTrue(self.info["visible"])
        # 1000, 1000, 1215 x 3135 twips.
        self.assertEqual(self.info["window"], {"left": 67, "top": 67, "width": 81, "height": 209})

    def test_fixed_tool_window_with_close_box_only(self):
        self.assertTrue(style(self.info, "exstyle") & WS_EX_TOOLWINDOW, self.info["exstyle"])
        window_style = style(self.info)
        self.assertEqual(window_style & WS_CAPTION, WS_CAPTION, "has a caption")
        self.assertTrue(window_style & WS_SYSMENU, "has a close box")
        self.assertFalse(window_style & WS_MINIMIZEBOX, "has a minimise box")
        self.assertFalse(window_style & WS_MAXIMIZEBOX, "has a maximise box")
        self.assertFalse(window_style & WS_THICKFRAME, "can be resized")

    def test_seven_read_only_centred_rows_in_catalogue_order(self):
        rows = self.monitor.rows()
        self.assertEqual([row["text"] for row in rows], ROW_NAMES)
        client = self.info["client"]
        for index, row in enumerate(rows):
            with self.subTest(row=row["text"]):
                self.assertTrue(row["visible"])
                self.assertTrue(style(row) & ES_READONLY, row["style"])
                self.assertTrue(style(row) & ES_CENTER, row["style"])
                # 285 twips high on a 360-twip pitch, 1095 twips wide, from the client corner.
                self.assertEqual(
                    row["rect"],
                    {
                        "left": client["left"],
                        "top": client["top"] + 24 * index,
                        "width": 73,
                        "height": 19,
                    },
                )

    def test_each_row_names_its_service_in_a_tooltip(self):
        tools = json.loads(self.bottle.helper("tooltips", MAIN_CLASS)[1])
        by_window = {}
        for tool in tools:
            if tool["id_is_window"]:
                by_window.setdefault(tool["tool"], []).append(tool["text"])
        self.assertEqual(
            [by_window.get(row["hwnd"]) for row in self.monitor.rows()],
            [[text] for text in ROW_TOOLTIPS],
        )

    def test_options_button_under_the_rows(self):
        buttons = self.monitor.option_buttons()
        self.assertEqual([b["text"] for b in buttons], ["OPTIONS"])
        client = self.info["client"]
        self.assertTrue(buttons[0]["visible"] and buttons[0]["enabled"])
        # 2520 twips down, 255 high.
        self.assertEqual(
            buttons[0]["rect"],
            {"left": client["left"], "top": client["top"] + 168, "width": 73, "height": 17},
        )


class HighDpiWindowTest(harness.SharedBottleTestCase):
    """The same layout on a screen scaled to 150 %: 10 twips to the pixel."""

    BOTTLE_NAME = "high-dpi-window"

    @classmethod
    def prepare_bottle(cls):
        status, out = harness.run_wine_program(
            cls.bottle, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
            "/t", "REG_DWORD", "/d", "144", "/f")
        if status != 0:
            raise harness.HarnessError(f"reg add LogPixels: exit {status}: {out}")
        cls.monitor = Monitor(cls.bottle)
        cls.info = cls.monitor.wait_mapped()

    def test_window_and_rows_scale_with_the_screen(self):
        self.assertEqual(self.info["dpi"], {"x": 144, "y": 144})
        # 1000, 1000, 1215 x 3135 twips; halves round away from zero.
        self.assertEqual(self.info["window"],
                         {"left": 100, "top": 100, "width": 122, "height": 314})
        client = self.info["client"]
        rows = self.monitor.rows()
        # 285 twips high on a 360-twip pitch, 1095 wide.
        self.assertEqual([(r["rect"]["top"] - client["top"], r["rect"]["height"]) for r in rows],
                         [(36 * i, 29) for i in range(7)])
        self.assertTrue(all(r["rect"]["width"] == 110 for r in rows), rows)
        button = self.monitor.option_buttons()[0]["rect"]
        self.assertEqual((button["top"] - client["top"], button["height"]), (252, 26))
        self.assertLessEqual(button["top"] + button["height"], client["top"] + client["height"],
                             "the OPTIONS button is cut off")


class StatusColourTest(MonitorTestCase):
    """The rows' colours over time, read from screenshots of the Xvfb screen."""

    def test_rows_start_cyan_then_all_turn_red_when_no_service_runs(self):
        monitor = self.start_monitor()
        monitor.wait_mapped(keep_first_frame=True)
        frame = monitor.first_frame

        # The window may be mapped a moment before it is painted: the first frame in which
        # every row shows a row colour is what a user first sees.
        def painted():
            nonlocal frame
            colours = monitor.row_colours(frame)
            if all(c in ("cyan", "green", "red") for c in colours):
                return colours
            frame = monitor.screenshot()
            return None

        first_colours = harness.poll(painted, harness.COLOUR_DEADLINE, "the rows to be painted")
        self.assertEqual(first_colours, ["cyan"] * 7, "colours at first sight")
        monitor.wait_row_colours(["red"] * 7)

    def test_running_service_turns_only_its_row_green_until_it_ends(self):
        monitor = self.start_monitor()
        monitor.wait_mapped()
        monitor.wait_row_colours(["red"] * 7)

        pop_service = self.bottle.start_named_process("mepops.exe")
        expected = ["red"] * 7
        expected[ROW_NAMES.index("MEPOPS")] = "green"
        monitor.wait_row_colours(expected)
        if os.environ.get("TAVORI_SCREENSHOTS"):
            monitor.window_image(monitor.last_screenshot).save_png(SCREENSHOT_PATH)

        self.bottle.kill(pop_service)
        monitor.wait_row_colours(["red"] * 7)

    def test_probe_matches_image_names_in_any_letter_case(self):
        # The IMAP row asks for "MEIMAPS.exe"; the service's image may be named in lower case.
        monitor = self.start_monitor()
        monitor.wait_mapped()
        self.bottle.start_named_process("meimaps.exe")
        expected = ["red"] * 7
        expected[ROW_NAMES.index("MEIMAPS")] = "green"
        try:
            monitor.wait_row_colours(expected)
        except AssertionError as error:
            status, out = self.bottle.helper("wmi-count", "MEIMAPS.exe", check=False)
            raise AssertionError(f"{error}\nthe helper's own WMI query: {out.strip()}") from None


class EndingTest(MonitorTestCase):
    def test_close_ends_with_status_zero(self):
        monitor = self.start_monitor()
        monitor.wait_mapped()
        status, _ = self.bottle.helper("close", MAIN_CLASS)
        self.assertEqual(status, 0, "the helper found the main window")
        self.assertEqual(monitor.wait_exit(), 0, monitor.diagnose())

    def test_failing_probe_shows_one_message_box_then_ends_with_status_one(self):
        # Without Wine's WMI provider the first probe fails; the error escapes the watcher.
        monitor = self.start_monitor(dll_overrides="wbemprox=d")
        monitor.wait_mapped()

        def boxes():
            return [b for b in self.bottle.message_boxes() if b["pid"] == monitor.info["pid"]]

        harness.poll(boxes, harness.COLOUR_DEADLINE, "a message box from tavori.exe")
        # All seven watchers come due together: a second box would be up by now.
        box = self.bottle.window_info("#32770", CAPTION)
        self.assertEqual([b["caption"] for b in boxes()], [CAPTION])
        message = " ".join(c["text"] for c in box["children"] if c["class"].lower() == "static")
        # What failed, the error number in hex, and what to do.
        self.assertIn("Windows Management Instrumentation (WMI)", message)
        self.assertRegex(message, r"Error 0x[0-9A-F]{8}")
        self.assertIn("Winmgmt", message)
        self.assertFalse(monitor.exited(), "ended before the message box was dismissed")

        status, _ = self.bottle.helper("close", "#32770", CAPTION)
        self.assertEqual(status, 0)
        self.assertEqual(monitor.wait_exit(), 1)
        # The error path saves nothing: no placement was written on the way out.
        self.assertIsNone(Settings(self.bottle).values())
