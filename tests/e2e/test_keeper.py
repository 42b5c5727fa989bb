"""The always-on-top keeper keeps TAVORI above other windows and nothing more: the program in
front keeps the foreground and the keyboard, and the taskbar keeps its band."""

import json

import harness
from harness import poll, topmost
from test_main_window import ALWAYS


class Keeper:
    ARCHES = ("x64", "x86")

    def front(self, monitor, mode, class_name):
        """Another program's topmost window taking the foreground, once TAVORI is in the band."""
        proc = monitor.prefix.start(r"C:\e2e\helper.exe", mode)
        shown = poll(lambda: monitor.windows(class_name), class_name)[0]
        poll(lambda: topmost(monitor.main()), "TAVORI in the topmost band")
        return proc, shown

    def foregrounds(self, prefix, hwnd):
        """The foreground windows over three seconds, a keeper tick or more."""
        _, seen = prefix.helper("focus", hwnd, 3000)
        return {json.loads(line)["foreground"] for line in seen.splitlines() if line[:1] == "{"}

    def test_it_lowers_a_rival_but_leaves_the_foreground_and_the_taskbar_alone(self):
        prefix, monitor, window = self.started({ALWAYS: "1"}, trace=True)
        # Nothing while the main window itself holds the foreground.
        poll(lambda: prefix.windows("TAVORI_MAIN")["foreground"] == window["hwnd"], "foreground")
        self.assertFalse(topmost(monitor.main()))
        rival, shown = self.front(monitor, "rival", "TAVORI_TEST_RIVAL")
        poll(lambda: [topmost(w) for w in monitor.windows("TAVORI_TEST_RIVAL")],
             "the rival lowered", until=[False].__eq__)
        self.assertEqual(self.foregrounds(prefix, shown["hwnd"]), {shown["hwnd"]})
        # Lowered without waiting for it (a hung program in front must not hang TAVORI, on
        # Windows); TAVORI raised without the activation.
        calls = monitor.calls("SetWindowPos")
        self.assertIn([f"{shown['hwnd']:x}", "fffffffe", "0", "0", "0", "0", "4003"], calls)
        self.assertIn([f"{window['hwnd']:x}", "ffffffff", "0", "0", "0", "0", "13"], calls)
        rival.kill()
        _, taskbar = self.front(monitor, "taskbar", "Shell_TrayWnd")
        self.assertEqual(self.foregrounds(prefix, taskbar["hwnd"]), {taskbar["hwnd"]})
        self.assertEqual([topmost(w) for w in monitor.windows("Shell_TrayWnd")], [True])


harness.per_exe(globals())
