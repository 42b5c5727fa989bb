"""A uxtheme.dll planted beside tavori.exe (a downloads folder) never runs. Wine looks for it
there, as Windows does, only under the override uxtheme=n,b; a program that loads it with the
default search shows that the marker would run. Not tested: Wine's own user32 imports
version.dll at start-up, which Windows' does not, so a planted version.dll runs under Wine
before tavori.exe can narrow the search."""

import shutil

import harness
from harness import poll
from test_main_window import rows_lit

PLANT = "uxtheme=n,b"


class DllSearch:
    ARCHES = ("x64", "x86")

    def test_a_uxtheme_dll_beside_the_exe_never_runs(self):
        prefix = self.prefix()
        exe, loader = harness.EXES[self.ARCH]
        for folder in ("control", "app"):
            shutil.copytree(exe.parent / "dll_marker", prefix.drive / folder)
        control = prefix.start(r"C:\control\load-uxtheme.exe", loader=loader, dlls=PLANT)
        poll(lambda: control.poll() is not None, "the control program to end")
        self.assertEqual(control.returncode, 0, "the control program did not load uxtheme.dll")
        self.assertTrue((prefix.drive / "control" / "uxtheme.dll.ran").exists())

        shutil.copy2(exe, prefix.drive / "app" / "tavori.exe")
        monitor = self.monitor(prefix, path=r"C:\app\tavori.exe", dlls=PLANT)
        window, ran = monitor.wait_main(), prefix.drive / "app" / "uxtheme.dll.ran"
        self.assertFalse(ran.exists(), "the planted uxtheme.dll ran as the window came up")
        monitor.wait_colours(window, rows_lit())  # COM and WMI are loaded by now too
        self.assertFalse(ran.exists(), "the planted uxtheme.dll ran with the probe")


harness.per_exe(globals())
