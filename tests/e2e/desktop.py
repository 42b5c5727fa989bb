"""What a user does to the Wine desktop on the test display: clicks, double-clicks, keys and
caption drags through xdotool (real X input, handled by Wine as a user's would be), and what
the helper tells about windows, the foreground and the monitors.

Without a window manager the X server's focus stays PointerRoot: keys go to the X window under
the pointer, and Wine hands them to the focus of its foreground window. So keys are typed with
the pointer resting on the window they are meant for.
"""

import json
import unittest

import harness
from harness import HarnessError, centre, poll, run_wine_program, xdotool
from registry import Settings

WS_EX_TOPMOST = 0x00000008

# How long a user's action may take to show: Wine on two busy cores can be slow.
ACTION_DEADLINE = 15.0


class DesktopTestCase(unittest.TestCase):
    """A fresh prefix per test, with its settings and its desktop; no settings unless the test
    stores some, and no monitor until the test starts one."""

    def setUp(self):
        self.bottle = harness.session().bottle(self.id())
        self.addCleanup(self.bottle.close)
        self.settings = Settings(self.bottle)
        self.desktop = Desktop(self.bottle)
        self.monitor = None


class Desktop:
    """The session's display, as one Bottle's Wine programs share it."""

    def __init__(self, bottle):
        self.bottle = bottle
        self.display = bottle.session.xvfb.display

    # -- input ---------------------------------------------------------------------------------

    def click(self, x, y, count=1):
        """Moves the pointer to (x, y) and clicks the left button count times (two make a
        double-click: xdotool's pause between them is well inside the double-click time)."""
        xdotool(self.display, "mousemove", x, y, "click", "--repeat", count, "--delay", 80, 1)

    def click_rect(self, rect, count=1):
        self.click(*centre(rect), count=count)

    def keys(self, rect, *names):
        """Types keys (X key names: Return, Escape, space) with the pointer on rect."""
        xdotool(self.display, "mousemove", *centre(rect), "key", "--delay", 50, *names)

    def drag(self, x, y, dx, dy):
        """Presses the left button at (x, y), moves it by (dx, dy) in two steps, releases it."""
        xdotool(self.display, "mousemove", x, y, "mousedown", 1,
                "mousemove", x + dx // 3, y + dy // 3,
                "mousemove", x + dx, y + dy, "mouseup", 1)

    # -- what the helper sees ------------------------------------------------------------------

    def _helper(self, *args):
        """Runs the test helper to its end, its output through a file: unlike Bottle.helper's
        pipes, that also works as the first Wine program of a fresh prefix."""
        status, out = run_wine_program(self.bottle, r"C:\e2e\tavori-testhelper.exe", *args)
        if status not in (0, 2):
            raise HarnessError(f"tavori-testhelper {' '.join(args)}: exit {status}: {out}")
        return status, out

    def foreground(self):
        status, out = self._helper("foreground")
        return json.loads(out) if status == 0 else None

    def monitors(self):
        return json.loads(self._helper("monitors")[1])

    def check_state(self, class_name, caption, text):
        """The state of the check box showing text: 0 cleared, 1 ticked, 2 greyed; None when
        there is no such box."""
        status, out = self._helper("check-state", class_name, caption, text)
        return json.loads(out)["check"] if status == 0 else None

    def wait_window(self, class_name, caption=None, deadline=ACTION_DEADLINE):
        """The helper's report on a visible top-level window, once there is one."""

        def shown():
            info = self.bottle.window_info(class_name, caption)
            return info if info and info["visible"] else None

        return poll(shown, deadline, f"a visible {class_name} window")

    def wait_window_gone(self, class_name, caption=None, deadline=ACTION_DEADLINE):
        poll(lambda: self.bottle.window_info(class_name, caption) is None, deadline,
             f"the {class_name} window to go")

    def message_boxes(self, pid=None):
        return [b for b in self.bottle.message_boxes() if pid is None or b["pid"] == pid]

    def message_box_text(self, caption):
        """The text of the message box captioned caption: its static controls' text."""
        info = self.bottle.window_info("#32770", caption)
        if info is None:
            return None
        return "\n".join(
            c["text"] for c in info["children"] if c["class"].lower() == "static" and c["text"]
        )

    # -- the session ---------------------------------------------------------------------------

    def end_session(self):
        """Ends the Windows session as a log-off does: `wineboot --end-session` sends every
        process's top-level windows WM_QUERYENDSESSION, then WM_ENDSESSION with its answer,
        waits for each window to return, and then ends any process still running itself
        (TerminateProcess, status 0). The desktop process is spared."""
        status, out = run_wine_program(self.bottle, "wineboot", "--end-session")
        if status != 0:
            raise HarnessError(f"wineboot --end-session: exit {status}: {out}")


def topmost(info):
    """Whether a window (a helper report) is in the topmost band. Without a window manager
    X's stacking does not follow Win32's topmost band; the window's extended style does."""
    return bool(int(info["exstyle"], 16) & WS_EX_TOPMOST)
