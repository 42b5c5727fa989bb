"""A uxtheme.dll or oleacc.dll planted beside tavori.exe (a downloads folder) never runs. Wine
looks for them there, as Windows does, only under the overrides uxtheme=n,b and oleacc=n,b; a
program that loads each with the default search shows that the marker would run. oleacc.dll
loads when a screen reader first asks for a row. Not tested: Wine's own user32 imports
version.dll at start-up, which Windows' does not, so a planted version.dll runs under Wine
before tavori.exe can narrow the search."""

import shutil

import harness
from harness import poll
from test_accessibility import read_rows
from test_main_window import NAMES, rows_lit

PLANT = "uxtheme=n,b;oleacc=n,b"


class DllSearch:
    ARCHES = ("x64", "x86")

    def test_a_uxtheme_or_oleacc_dll_beside_the_exe_never_runs(self):
        prefix = self.prefix()
        exe, loader = harness.EXES[self.ARCH]
        for folder in ("control", "app"):
            shutil.copytree(exe.parent / "dll_marker", prefix.drive / folder)
        shutil.copy2(exe.parent / harness.HELPER.name, prefix.drive / "control" / "helper.exe")
        for dll in ("uxtheme.dll", "oleacc.dll"):
            control = prefix.start(r"C:\control\helper.exe", "load", dll, loader=loader, dlls=PLANT)
            poll(lambda: control.poll() is not None, "the control program to end")
            self.assertEqual(control.returncode, 0, f"the control program did not load {dll}")
            self.assertTrue((prefix.drive / "control" / f"{dll}.ran").exists())

        shutil.copy2(exe, prefix.drive / "app" / "tavori.exe")
        monitor = self.monitor(prefix, path=r"C:\app\tavori.exe", dlls=PLANT)
        window, ran = monitor.wait_main(), prefix.drive / "app" / "uxtheme.dll.ran"
        self.assertFalse(ran.exists(), "the planted uxtheme.dll ran as the window came up")
        monitor.wait_colours(window, rows_lit())  # COM and WMI are loaded by now too
        self.assertFalse(ran.exists(), "the planted uxtheme.dll ran with the probe")
        names = [row[0] for row in read_rows(prefix, window)]
        self.assertFalse((prefix.drive / "app" / "oleacc.dll.ran").exists(),
                         "the planted oleacc.dll ran for a screen reader")
        self.assertEqual(names, NAMES)


harness.per_exe(globals())
