"""The monitor as the end-to-end tests see it: a tavori.exe process in a Bottle, its main
window's rectangles (from the test helper) and its rows' colours (from screenshots)."""

import time

import harness
from harness import COLOUR_DEADLINE, EXIT_DEADLINE, MAP_DEADLINE, poll, poll_value

MAIN_CLASS = "TAVORI_MAIN"
CAPTION = "TAVORI"
ROW_NAMES = ["MEIMAPS", "MELCS", "MEMTAS", "MEDMS", "MEPOPS", "MEPOCS", "MESMTPCS"]


class Monitor:
    def __init__(self, bottle, windows_path=None, cwd=None):
        self.bottle = bottle
        self.session = bottle.session
        self.proc = bottle.start_monitor(windows_path, cwd)
        self.info = None
        self.first_frame = None
        self.last_screenshot = None

    # -- state ---------------------------------------------------------------------------------

    def exited(self):
        return self.proc.poll() is not None

    def _dead_report(self):
        return (
            f"tavori.exe exited with status {self.proc.returncode}\n"
            f"its output:\n{self.bottle.log_text('tavori')}"
        )

    def diagnose(self):
        """What to add to a failure: message boxes on screen, or how the process ended."""
        if self.exited():
            return self._dead_report()
        return self.bottle.describe_message_boxes() or "no message box is showing"

    def wait_mapped(self, keep_first_frame=False):
        """Waits until a window captioned TAVORI is visible on the X display and the helper
        finds the main window class; returns the helper's report on it. keep_first_frame keeps
        a screenshot taken the moment the window maps, before asking the helper anything."""

        def mapped():
            if self.exited():
                raise AssertionError("tavori.exe ended before its window showed\n"
                                     + self._dead_report())
            return bool(self.session.xvfb.visible_windows_named(f"^{CAPTION}$"))

        try:
            poll(mapped, MAP_DEADLINE, "the TAVORI window to be mapped", interval=0.05)
            if keep_first_frame:
                self.first_frame = self.screenshot()
            self.info = poll(lambda: self.bottle.window_info(MAIN_CLASS), MAP_DEADLINE,
                             f"a {MAIN_CLASS} window")
        except AssertionError as error:
            raise AssertionError(f"{error}\n{self.diagnose()}") from None
        return self.info

    def refresh_info(self):
        self.info = self.bottle.window_info(MAIN_CLASS)
        return self.info

    def rows(self, info=None):
        """The status rows: the main window's EDIT children, top to bottom."""
        info = info or self.info
        edits = [c for c in info["children"] if c["class"].lower() == "edit"]
        return sorted(edits, key=lambda c: c["rect"]["top"])

    def option_buttons(self, info=None):
        info = info or self.info
        return [c for c in info["children"] if c["class"].lower() == "button"]

    def screenshot(self):
        self.last_screenshot = self.session.screenshot()
        return self.last_screenshot

    def row_colours(self, image=None):
        image = image or self.screenshot()
        return [harness.row_colour(image, row["rect"]) for row in self.rows()]

    def wait_row_colours(self, expected, deadline=COLOUR_DEADLINE):
        """Polls screenshots until the rows show exactly the expected colours, top to bottom."""

        def colours():
            if self.exited():
                raise AssertionError("tavori.exe ended while its rows were watched\n"
                                     + self._dead_report())
            return self.row_colours()

        poll_value(colours, expected, deadline, f"rows {expected}", "rows went through",
                   report=self.diagnose)

    def window_image(self, image=None):
        """The main window's own pixels, cut from a screenshot."""
        image = image or self.screenshot()
        rect = self.info["window"]
        return image.crop(rect["left"], rect["top"], rect["width"], rect["height"])

    # -- ending --------------------------------------------------------------------------------

    def wait_exit(self, deadline=EXIT_DEADLINE):
        end = time.monotonic() + deadline
        while self.proc.poll() is None and time.monotonic() < end:
            time.sleep(0.1)
        if self.proc.poll() is None:
            raise AssertionError(
                f"tavori.exe still runs {deadline:.0f} s later\n{self.diagnose()}"
            )
        return self.proc.returncode
