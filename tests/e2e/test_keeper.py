"""The always-on-top keeper keeps TAVORI above other windows and nothing more: the program in
front keeps the foreground and the keyboard, the taskbar keeps its band, and a tick posted while
the keeper is off does nothing."""

import json

import harness
from harness import poll, topmost
from test_main_window import ALWAYS

WM_NULL, WM_TIMER, KEEPER_TIMER = 0x0000, 0x0113, 8


class Keeper:
    ARCHES = ("x64", "x86")

    def front(self, monitor, mode, class_name):
        """A topmost window of another program that takes the foreground, once the keeper has
        put TAVORI in the band."""
        proc = monitor.prefix.start(r"C:\e2e\helper.exe", mode)
        shown = poll(lambda: monitor.windows(class_name), class_name)[0]
        poll(lambda: topmost(monitor.main()), "TAVORI in the topmost band")
        return proc, shown

    def foregrounds(self, prefix, hwnd):
        """The foreground windows over three seconds, a keeper tick or more."""
        _, seen = prefix.helper("focus", hwnd, 3000)
        return {json.loads(line)["foreground"] for line in seen.splitlines() if line[:1] == "{"}

    def test_on_it_takes_the_band_from_a_rival_but_leaves_the_foreground_and_the_taskbar_alone(
            self):
        prefix, monitor, window = self.started({ALWAYS: "1"}, trace=True)
        # Nothing while the main window itself holds the foreground.
        poll(lambda: prefix.windows("TAVORI_MAIN")["foreground"] == window["hwnd"], "foreground")
        self.assertFalse(topmost(monitor.main()))
        rival, shown = self.front(monitor, "rival", "TAVORI_TEST_RIVAL")
        poll(lambda: [topmost(w) for w in monitor.windows("TAVORI_TEST_RIVAL")], "the rival lowered",
             until=[False].__eq__)
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

    def test_off_a_posted_tick_does_nothing(self):
        prefix, monitor, window = self.started({ALWAYS: "0"}, trace=True)
        prefix.start(r"C:\e2e\helper.exe", "rival")  # what a tick would take the band from
        poll(lambda: prefix.windows("TAVORI_TEST_RIVAL"), "the rival in front",
             until=lambda r: r["windows"] and r["foreground"] == r["windows"][0]["hwnd"])
        prefix.message("post", window["hwnd"], WM_TIMER, KEEPER_TIMER)
        poll(lambda: monitor.delivered(window["hwnd"], "WM_TIMER"), "the posted tick",
             until=lambda ticks: KEEPER_TIMER in ticks)
        prefix.message("send", window["hwnd"], WM_NULL)  # answered once the tick is over
        self.assertFalse(topmost(monitor.main()), "a tick ran while the keeper is off")


harness.per_exe(globals())
