"""The main window's placement in the registry: where tavori.exe opens its window and what it
leaves behind, run under Wine on Xvfb with the settings read and edited by Wine's reg.exe."""

import desktop
import harness
from desktop import ACTION_DEADLINE
from monitor import CAPTION, MAIN_CLASS, Monitor
from registry import ALWAYS_ON_TOP_KEY, MAIN_PLACEMENT_KEYS, SETTINGS_KEY

# 1000, 1000, 1215 x 3135 twips; 15 twips make a pixel at 96 dpi.
FIRST_RUN_VALUES = {
    "MainLeft": "1000", "MainTop": "1000", "MainWidth": "1215", "MainHeight": "3135"
}
FIRST_RUN_RECT = {"left": 67, "top": 67, "width": 81, "height": 209}


def placement(left, top, width, height):
    return dict(zip(MAIN_PLACEMENT_KEYS, (left, top, width, height)))


class SettingsTestCase(desktop.DesktopTestCase):
    """A fresh prefix per test: no settings unless the test stores some."""

    def start_monitor(self):
        self.monitor = Monitor(self.bottle)
        return self.monitor

    def close_monitor(self):
        status, _ = self.bottle.helper("close", MAIN_CLASS)
        self.assertEqual(status, 0, "the helper found the main window")
        self.assertEqual(self.monitor.wait_exit(), 0, self.monitor.diagnose())

    def drag_by_caption(self, info, dx, dy):
        """Drags the main window by its caption; returns its rectangle once it has moved."""
        window, client = info["window"], info["client"]
        # Left of the close box, halfway down the caption bar.
        x = window["left"] + window["width"] // 3
        y = (window["top"] + client["top"]) // 2
        self.desktop.drag(x, y, dx, dy)
        moved = dict(window, left=window["left"] + dx, top=window["top"] + dy)
        harness.poll(lambda: self.monitor.refresh_info()["window"] == moved,
                     ACTION_DEADLINE, f"the window to be dragged to {moved}")
        return moved


class SavedPlacementTest(SettingsTestCase):
    def test_first_run_writes_nothing_until_closed_then_exactly_the_defaults(self):
        monitor = self.start_monitor()
        info = monitor.wait_mapped()
        self.assertEqual(info["window"], FIRST_RUN_RECT)
        self.assertIsNone(self.settings.values(), "the settings key exists while it runs")

        self.close_monitor()
        self.assertEqual(self.settings.values(), FIRST_RUN_VALUES)

    def test_stored_placement_is_where_it_opens_and_is_saved_back_unchanged(self):
        # 4505 and 2995 twips are no whole number of pixels (300.33, 199.67): the window can
        # only open near them, and must still save back what it was given, not 4500 and 3000.
        stored = placement("4505", "2995", "1500", "3000")
        stored[ALWAYS_ON_TOP_KEY] = "0"
        self.settings.store(stored)
        monitor = self.start_monitor()
        info = monitor.wait_mapped()
        self.assertEqual(info["window"], {"left": 300, "top": 200, "width": 100, "height": 200})

        self.close_monitor()
        self.assertEqual(self.settings.values(), stored)

    def test_window_dragged_by_its_caption_saves_where_it_was_left(self):
        monitor = self.start_monitor()
        info = monitor.wait_mapped()
        moved = self.drag_by_caption(info, 30, 20)

        self.assertEqual((moved["left"], moved["top"]), (97, 87))

        self.close_monitor()
        # Moved, it saves where it is: 97 x 15 and 87 x 15 twips, its size as before.
        self.assertEqual(self.settings.values(), placement("1455", "1305", "1215", "3135"))


class SessionEndTest(SettingsTestCase):
    def test_ending_the_session_saves_the_placement_of_the_running_monitor(self):
        # Windows (and Wine) end the process after WM_ENDSESSION without destroying windows or
        # sending WM_CLOSE: the placement has to be written while the message is handled.
        self.settings.store(placement("4500", "3000", "1215", "3135"))
        monitor = self.start_monitor()
        info = monitor.wait_mapped()
        self.drag_by_caption(info, 30, 20)
        self.settings.delete_key()  # so that every value must be written anew

        self.desktop.end_session()
        # Once the window has answered, wineboot ends the process itself (status 0).
        self.assertEqual(monitor.wait_exit(), 0, monitor.diagnose())
        self.assertEqual(self.settings.values(), placement("4950", "3300", "1215", "3135"))


class OffScreenPlacementTest(SettingsTestCase):
    def test_wholly_off_screen_opens_in_the_work_area_partly_visible_stays(self):
        monitors = self.desktop.monitors()
        self.assertEqual(len(monitors), 1, monitors)
        work = monitors[0]["work"]
        right = work["left"] + work["width"] - 81
        bottom = work["top"] + work["height"] - 209
        cases = [
            ("far left", ("-100000", "1000"), (work["left"], 67)),
            ("far right and below", ("100000", "100000"), (right, bottom)),
            ("partly above and left", ("-600", "-900"), (-40, -60)),
            ("partly below and right", ("15000", "11400"), (1000, 760)),
        ]
        for name, (left, top), (x, y) in cases:
            with self.subTest(name, left=left, top=top):
                self.settings.store(placement(left, top, "1215", "3135"))
                monitor = self.start_monitor()
                info = monitor.wait_mapped()
                self.bottle.kill(monitor.proc)  # what it saves is not asked here
                self.assertEqual(info["window"], {"left": x, "top": y, "width": 81, "height": 209})


class UnusableSettingTest(SettingsTestCase):
    def test_value_that_is_no_number_ends_the_start_with_one_box_and_writes_nothing(self):
        for key, text in [("MainLeft", ""), ("MainHeight", "abc"), (ALWAYS_ON_TOP_KEY, "abc")]:
            with self.subTest(key=key, text=text):
                stored = dict(FIRST_RUN_VALUES, **{key: text})
                self.settings.store(stored)
                monitor = self.start_monitor()

                def boxes():
                    if monitor.exited():
                        raise AssertionError("ended without a message box\n" + monitor.diagnose())
                    return self.desktop.message_boxes()

                shown = harness.poll(boxes, harness.MAP_DEADLINE, "a message box")
                self.assertEqual([b["caption"] for b in shown], [CAPTION])
                message = self.desktop.message_box_text(CAPTION)
                self.assertIn(f'"{key}" holds "{text}"', message)
                self.assertIn(SETTINGS_KEY, message)
                self.assertIn("delete it", message, "says how to put it right")
                main = self.bottle.window_info(MAIN_CLASS)
                self.assertFalse(main and main["visible"], "the main window showed")
                self.assertFalse(monitor.exited(), "ended before the box was dismissed")

                status, _ = self.bottle.helper("close", "#32770", CAPTION)
                self.assertEqual(status, 0)
                self.assertEqual(monitor.wait_exit(), 1)
                self.assertEqual(self.settings.values(), stored)
