"""tavori.exe under Wine (tools/wine.py) as a user sees it: the helper exe reports windows from
inside, xdotool gives input, ImageMagick reads pixels, the settings go through regedit's files."""

import contextlib
import functools
import re
import shutil
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import wine  # noqa: E402
# What the tests use of it as their own.
from wine import DEADLINE, EXES, HELPER, poll, row_colours, rows, x  # noqa: E402,F401

KEY = r"HKEY_CURRENT_USER\Software\TAVORI\Settings"
WS_EX_TOPMOST = 0x8
# The calls a relay trace shows, with the window procedures' messages that it always shows.
RELAYED = "user32.SetWindowPos;kernel32.CreateProcessW"


def slow(test):
    """Marks a test that takes long: the runner starts it before the others."""
    test.slow = True
    return test


def centre(rect):
    return rect[0] + rect[2] // 2, rect[1] + rect[3] // 2


def click(point, count=1):
    x("xdotool", "mousemove", *point, "click", "--repeat", count, "--delay", 80, 1)


def keys(point, *names):
    """Types with the pointer on point: without a window manager keys go where it rests."""
    x("xdotool", "mousemove", *point, "key", "--delay", 50, *names)


def drag(start, end):
    x("xdotool", "mousemove", *start, "mousedown", 1, "mousemove", (start[0] + end[0]) // 2,
      (start[1] + end[1]) // 2, "mousemove", *end, "mouseup", 1)


def snap(path):
    x("import", "-silent", "-window", "root", path)


def colours_in(image, rect):
    """The set of colours (hex) in a rectangle of a screenshot."""
    left, top, width, height = rect
    out = x("convert", image, "-crop", f"{width}x{height}+{left}+{top}", "+repage", "-depth", "8",
            "-unique-colors", "-format", "%[hex:p{0,0}] ", "txt:-")
    return set(re.findall(r"#([0-9A-F]{6})", out))


def child(window, text):
    return next(c for c in window["children"] if c["text"] == text)


def topmost(window):  # without a window manager, the band shows only in the style
    return bool(window["exstyle"] & WS_EX_TOPMOST)


class Prefix(wine.Prefix):
    """One test's copy of the template prefix, with its own wineserver and settings."""

    def close_window(self, *hwnds):
        status, out = self.helper("close", *hwnds)
        assert status == 0, f"the helper did not close {hwnds}: status {status}, {out!r}"

    def forget(self):
        """Deletes the settings, so that what a monitor saves next is all it saved."""
        assert self.run("reg", "delete", KEY, "/f")[0] == 0

    def message(self, verb, hwnd, message, wparam=0, lparam=0):
        """Posts (verb "post") or sends ("send") a message from another process."""
        status, out = self.helper(verb, hwnd, f"{message:x}", f"{wparam:x}", f"{lparam:x}")
        assert status == 0, out or f"window {hwnd} did not answer message {message:#x} in 10 s"

    def add_service(self, name, image):
        """A real own-process service, started on demand: the helper, under that image name."""
        (self.drive / "services").mkdir(exist_ok=True)
        shutil.copy2(HELPER, self.drive / "services" / image)
        command = ["sc", "create", name, "binPath=", rf"C:\services\{image} service {name}"]
        assert self.run(*command, "type=", "own", "start=", "demand")[0] == 0, command

    def service_state(self, name):
        return re.search(r"STATE\s*:\s*\d+\s+(\w+)", self.run("sc", "query", name)[1])[1]

    def store(self, values):
        """Replaces the settings, as a user editing the registry would: numbers as REG_DWORDs."""
        def line(name, value):
            if isinstance(value, int):
                return f'"{name}"=dword:{value:08x}'
            if "\0" in value:  # a string with a NUL in it, as its UTF-16 bytes
                data = f"{value}\0".encode("utf-16-le")
                return f'"{name}"=hex(1):' + ",".join(f"{b:02x}" for b in data)
            return f'"{name}"="{value}"'

        self.reg_import("\n".join([f"[-{KEY}]", f"[{KEY}]", *(line(*kv) for kv in values.items())]))

    def settings(self):
        """{name: text, or number for a REG_DWORD}; None without the key; other values left out.
        From regedit's Unicode export: reg query's output loses what its code page lacks."""
        if self.run("reg", "export", KEY, r"C:\e2e\export.reg", "/y")[0] != 0:
            return None
        text = (self.drive / "e2e" / "export.reg").read_text(encoding="utf-16")
        return {name: int(value, 16) if dword else value  # the tests store no quote or backslash
                for name, dword, value in re.findall(r'^"(.*?)"=(dword:)?"?(.*?)"?$', text, re.M)
                if dword or not value.startswith("hex")}


class Monitor:
    """A tavori.exe started in a prefix: its main window and its rows' colours."""

    def __init__(self, prefix, arch, path=None, cwd=None, dlls="", trace=False,
                 channels="+relay"):
        """With trace, Wine's debug channels go to a file: by default the RELAYED calls."""
        self.prefix, self.trace = prefix, trace and prefix.root / "relay.log"
        if trace:
            prefix.reg_import(rf'[HKEY_CURRENT_USER\Software\Wine\Debug]' '\n'
                              f'"RelayInclude"="{RELAYED}"')
        self.proc = prefix.start(path or EXES[arch][0], loader=EXES[arch][1], cwd=cwd, dlls=dlls,
                                 debug=trace and "-all," + channels, log=self.trace)

    def calls(self, function):
        """Each call's arguments in the relay trace, as texts; numbers as 32 bits, the rest of a
        64-bit register being whatever it held."""
        text = self.trace.read_text(errors="replace")
        found = re.findall(rf"Call [\w.]*\.{function}\((.*)\) ret=", text)
        return [[a if '"' in a else f"{int(a, 16) & 0xFFFFFFFF:x}" for a in args.split(",")]
                for args in found]

    def delivered(self, hwnd, message):
        """The wParam of each message named so ("WM_TIMER") for that window in the relay trace."""
        found = re.findall(rf"Call window proc \w+ \(hwnd=(\w+),msg={message},wp=(\w+),",
                           self.trace.read_text(errors="replace"))
        return [int(wp, 16) for window, wp in found if int(window, 16) == hwnd]

    def windows(self, class_name):
        return self.prefix.windows(class_name)["windows"]

    def main(self):
        return next(iter(self.windows("TAVORI_MAIN")), None)

    def wait_main(self, what="the main window"):
        return poll(lambda: self.alive() and self.main(), what)

    def alive(self):
        if self.proc.poll() is not None:
            self.proc.out.seek(0)
            raise AssertionError(f"tavori.exe ended with status {self.proc.returncode}, "
                                 f"saying {self.proc.out.read().decode(errors='replace')!r}")
        return True

    def wait_colours(self, window, expected):
        poll(lambda: self.alive() and row_colours(window), f"rows {expected}",
             until=expected.__eq__)

    def wait_exit(self):
        poll(lambda: self.proc.poll() is not None, "tavori.exe to end")
        return self.proc.returncode

    def end(self, *classes):
        """Kills it and waits until no window of those classes shows, for the next start."""
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        poll(lambda: [w["caption"] for c in classes for w in self.windows(c)],
             f"the windows {classes} to go", until=lambda left: not left)

    def close(self):
        self.prefix.close_window(self.main()["hwnd"])
        return self.wait_exit()

    def open_options(self, window):
        """Clicks the main window's OPTIONS; the options dialog, once it shows."""
        click(centre(child(window, "OPTIONS")["rect"]))
        return poll(lambda: self.windows("TAVORI_OPTIONS"), "the options dialog")[0]

    def one_box(self):
        """The one message box that tavori.exe shows, once it shows it."""
        boxes = poll(lambda: self.alive() and self.windows("#32770"), "a message box")
        assert len(boxes) == 1 and boxes[0]["caption"] == "TAVORI", boxes
        boxes[0]["text"] = "\n".join(c["text"] for c in boxes[0]["children"]
                                     if c["class"].lower() == "static")
        return boxes[0]


@functools.cache
def runs_here(loader):
    """Whether this machine starts the loader: a kernel without 32-bit support cannot."""
    try:
        return subprocess.run([loader, "--version"], capture_output=True).returncode == 0
    except OSError:
        return False


class Test(unittest.TestCase):
    ARCH = "x64"
    maxDiff = None

    def setUp(self):
        loader = EXES[self.ARCH][1]
        if not runs_here(loader):
            self.skipTest(f"this machine cannot run {loader} (no 32-bit programs)")

    @contextlib.contextmanager
    def subTest(self, msg=None, **params):
        """pytest runs no subtests: the first failure ends the test, and says which case it was."""
        try:
            with super().subTest(msg, **params):
                yield
        except Exception as error:
            error.add_note(f"in the case {params}")
            raise

    def new_prefix(self, name=""):
        return Prefix(f"{self.id().split('.')[-1]}{name}")

    def prefix(self):
        prefix = self.new_prefix()
        self.addCleanup(prefix.close)
        return prefix

    @contextlib.contextmanager
    def case(self, name, **params):
        """A subtest in a prefix of its own, gone when it ends, however: nothing left on screen."""
        with self.subTest(**params), contextlib.closing(self.new_prefix(name)) as prefix:
            yield prefix

    def monitor(self, prefix, **kwargs):
        return Monitor(prefix, self.ARCH, **kwargs)

    def started(self, stored=None, **kwargs):
        """A monitor in a prefix of its own, on those settings: (prefix, monitor, main window)."""
        prefix = self.prefix()
        if stored:
            prefix.store(stored)
        monitor = self.monitor(prefix, **kwargs)
        return prefix, monitor, monitor.wait_main()


def per_exe(namespace):
    """Makes a TestCase for each exe a test mixin's ARCHES names: Name_x64, Name_x86."""
    for name, mixin in list(namespace.items()):
        for arch in getattr(mixin, "ARCHES", ()) if isinstance(mixin, type) else ():
            namespace[f"{name}_{arch}"] = type(f"{name}_{arch}", (mixin, Test),
                                               {"ARCH": arch, "__module__": namespace["__name__"]})
