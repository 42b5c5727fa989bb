"""A uxtheme.dll or oleacc.dll (loaded once a screen reader asks) planted beside tavori.exe never
runs; under the overrides uxtheme=n,b and oleacc=n,b Wine looks there as Windows does, as the
helper loading each shows. Not tested: Wine's user32, unlike Windows', imports version.dll, so a
planted one runs under Wine before tavori.exe can narrow the search."""

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
