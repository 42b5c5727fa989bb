"""A monitor ends, saving, once its main window is gone, whatever loop runs or lock is taken, and
on a WM_QUIT; a system command its frame does not offer changes nothing."""

import harness
from harness import poll
from test_main_window import OPTIONS, placement

WM_QUIT, WM_SYSCOMMAND = 0x12, 0x112
SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE = 0xF000, 0xF020, 0xF030
WS_MINIMIZE, WS_MAXIMIZE = 0x20000000, 0x01000000
LOCK = r"Local\TAVORI.Settings"
# Whole pixels at 96 dpi, which windows nothing moved save back: the main window at 300, 200
# (81 x 214), the dialog at 500, 300 (400 x 200).
MAIN = placement("4500", "3000", "1215", "3210")
BOTH = {**MAIN, **dict(zip(OPTIONS, ["7500", "4500", "6000", "3000"]))}
CLASSES = {False: "TAVORI_MAIN", True: "TAVORI_OPTIONS"}


class Lifecycle:
    ARCHES = ("x64", "x86")

    def start(self, prefix, options):
        """A monitor on BOTH, its dialog open if asked: (monitor, main window, the dialog if open
        or else the main window)."""
        prefix.store(BOTH)
        monitor = self.monitor(prefix)
        main = monitor.wait_main()
        return monitor, main, monitor.open_options(main) if options else main

    def ends_saving(self, prefix, monitor, options, end):
        """Once end() has run, the monitor exits with 0, its open windows saved anew."""
        prefix.forget()
        end()
        self.assertEqual(monitor.wait_exit(), 0)
        self.assertEqual(prefix.settings(), BOTH if options else MAIN)

    @harness.slow
    def test_the_process_ends_once_the_main_window_is_closed_inside_a_move_or_size_loop(self):
        def hold_caption(prefix, window):
            harness.x("xdotool", "mousemove", window["window"][0] + 30,
                      (window["window"][1] + window["client"][1]) // 2, "mousedown", 1)

        def keyboard_size(prefix, window):
            prefix.message("post", window["hwnd"], WM_SYSCOMMAND, SC_SIZE)

        for name, options, enter in [("main-caption-held", False, hold_caption),
                                     ("dialog-caption-held", True, hold_caption),
                                     ("dialog-keyboard-size", True, keyboard_size)]:
            with self.case(name, loop=name) as prefix:
                monitor, main, target = self.start(prefix, options)
                try:
                    enter(prefix, target)
                    poll(lambda: [w["move_size"] for w in monitor.windows(CLASSES[options])],
                         "the move or size loop", until=[1].__eq__)
                    self.ends_saving(prefix, monitor, options,
                                     lambda: prefix.close_window(main["hwnd"]))
                finally:
                    harness.x("xdotool", "mouseup", 1)

    def test_a_lock_name_held_by_another_program_still_saves(self):
        prefix = self.prefix()
        holder = prefix.start(r"C:\e2e\helper.exe", "event", LOCK)
        poll(lambda: holder.out.seek(0) or holder.out.read().strip() == b"held", "the event held")
        monitor, main, _ = self.start(prefix, False)
        self.assertEqual(main["window"], [300, 200, 81, 214])  # restored through no lock
        self.ends_saving(prefix, monitor, False, lambda: prefix.close_window(main["hwnd"]))

    def test_a_quit_from_another_program_closes_both_windows_saving(self):
        for options in (False, True):
            with self.case(f"-{CLASSES[options]}", dialog=options) as prefix:
                monitor, main, _ = self.start(prefix, options)
                self.ends_saving(prefix, monitor, options,
                                 lambda: prefix.message("post", main["hwnd"], WM_QUIT))

    @harness.slow
    def test_a_system_command_the_frame_does_not_offer_changes_nothing(self):
        for options, commands in [(False, [SC_MINIMIZE, SC_MAXIMIZE, SC_SIZE]),
                                  (True, [SC_MINIMIZE, SC_MAXIMIZE])]:
            with self.case(f"-{CLASSES[options]}", dialog=options) as prefix:
                monitor, main, target = self.start(prefix, options)
                for command in commands:
                    # Sent, so that it has been handled when the send returns: a size loop let
                    # in would not return, and the send would fail after 10 s.
                    prefix.message("send", target["hwnd"], WM_SYSCOMMAND, command)
                    after = monitor.windows(CLASSES[options])[0]
                    self.assertEqual((after["style"] & (WS_MINIMIZE | WS_MAXIMIZE),
                                      after["move_size"], after["window"]),
                                     (0, 0, target["window"]), hex(command))
                self.ends_saving(prefix, monitor, options,
                                 lambda: prefix.close_window(main["hwnd"]))


harness.per_exe(globals())
