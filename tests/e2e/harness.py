"""tavori.exe under Wine on a private Xvfb, seen as a user sees it: a template prefix copied per
test with its own wineserver; the helper exe reports windows from inside, xdotool gives input,
ImageMagick reads pixels. Without a window manager X root coordinates are screen coordinates,
and the topmost band shows only in WS_EX_TOPMOST."""

import atexit
import contextlib
import ctypes
import functools
import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("TAVORI_BUILD_DIR", REPO / "build" / "windows"))
EXES = {  # arch: (tavori.exe, the Wine loader that runs it); one 64-bit prefix runs both
    "x64": (BUILD / "tavori.exe", "/usr/lib/wine/wine64"),
    "x86": (BUILD.parent / "windows-x86" / "tavori.exe", "/usr/lib/wine/wine"),
}
HELPER = BUILD / "tavori-testhelper.exe"
WINE64, WINESERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64"
PREPARE_PREFIX = REPO / "tools" / "prepare-wine-prefix"
DEADLINE = 30.0  # Wine on two busy cores can be slow to start, paint and answer
KEY = r"HKEY_CURRENT_USER\Software\TAVORI\Settings"
COLOURS = {"00FFFF": "cyan", "00FF00": "green", "FF0000": "red"}
WS_EX_TOPMOST = 0x8
# The calls a relay trace shows, with the window procedures' messages that it always shows.
RELAYED = "user32.SetWindowPos;user32.PostMessageW;kernel32.CreateProcessW;combase.CoCreateInstance"
ADDR_NO_RANDOMIZE = 0x0040000


def start_wine_at_fixed_addresses():
    """Debian's wine64 is a loader at 0x7d000000 without Wine's preloader, and the kernel puts
    its brk heap at a random place up to 1 GiB above it: now and then over 0x7ffe0000, where
    Wine must map the shared user data, and then the program never runs (status 1, "failed to
    map the shared user data"). Every process started from here, and so every Wine process of
    the run, is started without address randomisation: the heap stays where the loader ends."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.personality(libc.personality(0xFFFFFFFF) | ADDR_NO_RANDOMIZE)


start_wine_at_fixed_addresses()


def poll(probe, what, deadline=DEADLINE, until=bool):
    """probe()'s first answer that until() accepts; fails after deadline seconds with the last
    answers it saw."""
    seen, end = [], time.monotonic() + deadline
    while True:
        value = probe()
        if until(value):
            return value
        if not seen or seen[-1] != value:
            seen.append(value)
        if time.monotonic() > end:
            raise AssertionError(f"gave up waiting for {what}; saw {seen[-5:]}")
        time.sleep(0.2)


def wine_env(prefix, display, home):
    env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
    env.update(DISPLAY=display, WINEPREFIX=str(prefix), WINESERVER=WINESERVER, WINEDEBUG="-all",
               WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d;winemenubuilder.exe=d",
               HOME=str(home), XDG_CONFIG_HOME=str(home / ".config"), LC_ALL="C.UTF-8")
    return env


def wine_run(env, *args, cwd=None):
    """Runs a Windows program to its end: (status, output). The output goes through a file:
    the first program of a prefix starts Wine's services, which inherit its handles."""
    with tempfile.TemporaryFile() as out:
        status = subprocess.run([WINE64, *map(str, args)], env=env, cwd=cwd, stdout=out,
                                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                timeout=DEADLINE * 2).returncode
        out.seek(0)
        return status, out.read().decode(errors="replace").replace("\r\n", "\n")


def stop_wineserver(env):
    """Ends the prefix's server, which writes its registry out, and waits for it."""
    for flag in ("-k", "-w"):
        subprocess.run([WINESERVER, flag], env=env, capture_output=True, timeout=DEADLINE)


def make_prefix(env):
    """wineboot, then the font set-up when the tree has one."""
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([WINE64, "wineboot", "-i"], env=env, timeout=300, check=True, **quiet)
    if os.access(PREPARE_PREFIX, os.X_OK):
        subprocess.run([str(PREPARE_PREFIX)], env=dict(env, WINE=WINE64), check=True,
                       stdin=subprocess.DEVNULL, timeout=300)
    stop_wineserver(env)


def start_xvfb(log):
    read, write = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(write,), stdout=log, stderr=log,
                            start_new_session=True)
    os.close(write)
    with os.fdopen(read) as number:
        return proc, ":" + number.readline().strip()


class Session:
    def __init__(self):
        missing = [str(exe) for exe in (HELPER, EXES["x64"][0]) if not exe.is_file()]
        assert not missing, f"build them first (make build): {missing}"
        self.dir = Path(tempfile.mkdtemp(prefix="tavori-e2e-"))
        self.xvfb, self.display = start_xvfb(open(self.dir / "xvfb.log", "wb"))
        self.template = self.dir / "template"
        try:
            make_prefix(wine_env(self.template, self.display, self.dir))
        except BaseException:
            self.close()
            raise

    def close(self):
        self.xvfb.kill()
        self.xvfb.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


_session = None


def session():
    global _session
    if _session is None:
        _session = Session()
        atexit.register(_session.close)
    return _session


def x(*args, display=None):
    """Runs an X client (xdotool, import) on the test display; returns its output."""
    display = display or session().display
    return subprocess.run([str(a) for a in args], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, check=True, timeout=DEADLINE).stdout.decode()


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


def snap_when_mapped(path, title="^TAVORI$"):
    """A screenshot taken the moment a window of that title is mapped."""
    env = dict(os.environ, DISPLAY=session().display)
    poll(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], env=env,
                                capture_output=True).returncode == 0, f"a window {title}")
    snap(path)


def pixels(points, image=None, display=None):
    """The colours at screen points, now or in a screenshot: cyan, green, red or a hex."""
    each = " ".join(f"%[hex:p{{{px},{py}}}]" for px, py in points)
    source = ("convert", image) if image else ("import", "-silent", "-window", "root")
    out = x(*source, "-depth", "8", "-format", each, "info:", display=display)
    return [COLOURS.get(c, c) for c in out.split()]


def colours_in(image, rect):
    """The set of colours (hex) in a rectangle of a screenshot."""
    left, top, width, height = rect
    out = x("convert", image, "-crop", f"{width}x{height}+{left}+{top}", "+repage", "-depth", "8",
            "-unique-colors", "-format", "%[hex:p{0,0}] ", "txt:-")
    return set(re.findall(r"#([0-9A-F]{6})", out))


def rows(window):
    return sorted((c for c in window["children"] if c["class"].lower() == "edit"),
                  key=lambda c: c["rect"][1])


def row_colours(window, image=None, display=None):
    # Left of the centred caption, inside the row's sunken edge: background only.
    return pixels([(r["rect"][0] + 3, r["rect"][1] + r["rect"][3] // 2) for r in rows(window)],
                  image, display)


def topmost(window):
    return bool(window["exstyle"] & WS_EX_TOPMOST)


class Prefix:
    """One test's copy of the template prefix, with its own wineserver and settings."""

    def __init__(self, name):
        s = session()
        self.root = s.dir / name
        self.drive = self.root / "drive_c"
        shutil.copytree(s.template, self.root, symlinks=True,
                        ignore=lambda d, _: ["windows"] if d.endswith("drive_c") else [])
        subprocess.run(["cp", "-al", s.template / "drive_c" / "windows", self.drive], check=True)
        (self.drive / "e2e").mkdir()
        shutil.copy2(HELPER, self.drive / "e2e" / "helper.exe")
        self.env = wine_env(self.root, s.display, s.dir)
        self.procs = []
        subprocess.run([WINESERVER, "-p"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def run(self, *args, cwd=None):
        return wine_run(self.env, *args, cwd=cwd)

    def start(self, *args, loader=WINE64, cwd=None, dlls="", trace=None, channels="+relay"):
        """Starts a program; with trace (a file), Wine's debug channels go there: by default the
        relay trace of the RELAYED calls."""
        env = dict(self.env, WINEDLLOVERRIDES=self.env["WINEDLLOVERRIDES"] + ";" + dlls)
        if trace:
            self.reg_import(rf'[HKEY_CURRENT_USER\Software\Wine\Debug]' '\n'
                            f'"RelayInclude"="{RELAYED}"')
            env["WINEDEBUG"] = "-all," + channels
        out = tempfile.TemporaryFile()  # Wine's words when the program cannot start
        with open(trace or os.devnull, "wb") as relay:
            proc = subprocess.Popen([loader, *map(str, args)], env=env, cwd=cwd,
                                    stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=relay if trace else subprocess.STDOUT,
                                    start_new_session=True)
        proc.out = out
        self.procs.append(proc)
        return proc

    def named_process(self, image):
        """A sleeping process with that image name."""
        shutil.copy2(HELPER, self.drive / "e2e" / image)
        return self.start("C:\\e2e\\" + image)

    def windows(self, class_name):
        """The helper's report: the screen's facts and the visible top-level windows of class."""
        status, out = self.run(r"C:\e2e\helper.exe", "windows", class_name)
        assert status == 0 and out.startswith("{"), f"the helper's report: {status}, {out!r}"
        return json.loads(out)

    def close_window(self, *hwnds):
        status, out = self.run(r"C:\e2e\helper.exe", "close", *hwnds)
        assert status == 0, f"the helper did not close {hwnds}: status {status}, {out!r}"

    def message(self, verb, hwnd, message, wparam=0, lparam=0, count=1):
        """Posts (verb "post", count times) or sends ("send") a message from another process."""
        status, out = self.run(r"C:\e2e\helper.exe", verb, hwnd, f"{message:x}", f"{wparam:x}",
                               f"{lparam:x}", count)
        assert status == 0, out or f"window {hwnd} did not answer message {message:#x} in 10 s"

    def reg_import(self, text):
        path = self.drive / "e2e" / "import.reg"
        path.write_text("REGEDIT4\n\n" + text + "\n", encoding="latin-1")
        status, out = self.run("reg", "import", r"C:\e2e\import.reg")
        assert status == 0, out

    def store(self, values):
        """Replaces the settings, as a user editing the registry would."""
        lines = [f'"{k}"="{v}"' if "\0" not in v else  # a string with a NUL in it, as bytes
                 f'"{k}"=hex(1):' + ",".join(f"{b:02x}" for b in f"{v}\0".encode("latin-1"))
                 for k, v in values.items()]
        self.reg_import("\n".join([f"[-{KEY}]", f"[{KEY}]", *lines]))

    def settings(self):
        """{name: text} of the settings key, or None when there is no key."""
        status, out = self.run("reg", "query", KEY)
        if status != 0:
            return None
        found = re.findall(r"^    (\S+)    REG_SZ(?:    (.*))?$", out, re.M)
        return {name: text for name, text in found}

    def close(self):
        for proc in self.procs:
            proc.kill()
            proc.wait()
        stop_wineserver(self.env)
        shutil.rmtree(self.root, ignore_errors=True)


class Monitor:
    """A tavori.exe started in a prefix: its main window and its rows' colours."""

    def __init__(self, prefix, arch, path=None, cwd=None, dlls="", trace=False,
                 channels="+relay"):
        self.prefix = prefix
        self.trace = prefix.root / "relay.log" if trace else None
        self.proc = prefix.start(path or EXES[arch][0], loader=EXES[arch][1], cwd=cwd, dlls=dlls,
                                 trace=self.trace, channels=channels)

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
        found = self.windows("TAVORI_MAIN")
        return found[0] if found else None

    def wait_main(self, what="the main window"):
        return poll(lambda: self.alive() and self.main(), what)

    def alive(self):
        if self.proc.poll() is not None:
            self.proc.out.seek(0)
            raise AssertionError(f"tavori.exe ended with status {self.proc.returncode}, "
                                 f"saying {self.proc.out.read().decode(errors='replace')!r}")
        return True

    rows = staticmethod(rows)

    def colours(self, window, image=None):
        return row_colours(window, image)

    def wait_colours(self, window, expected):
        poll(lambda: self.alive() and self.colours(window), f"rows {expected}",
             until=expected.__eq__)

    def wait_exit(self):
        poll(lambda: self.proc.poll() is not None, "tavori.exe to end")
        return self.proc.returncode

    def end(self, *classes):
        """Kills it if it still runs and waits until no window of those classes shows, so that
        the next start in the prefix meets none of them."""
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
        click(centre(next(c for c in window["children"] if c["text"] == "OPTIONS")["rect"]))
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
    """Whether this machine starts the loader: a kernel without 32-bit support (some VMs) cannot
    run /usr/lib/wine/wine, and then the 32-bit exe is built but not run."""
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

    def prefix(self, name=""):
        prefix = Prefix(f"{self.id().split('.')[-1]}{name}")
        self.addCleanup(prefix.close)
        return prefix

    @contextlib.contextmanager
    def case(self, name, **params):
        """A subtest in a prefix of its own whose programs and windows are gone when it ends,
        however it ends: a failed case leaves nothing on screen for the next one to find."""
        with self.subTest(**params):
            prefix = Prefix(f"{self.id().split('.')[-1]}{name}")
            try:
                yield prefix
            finally:
                prefix.close()

    def monitor(self, prefix, **kwargs):
        return Monitor(prefix, self.ARCH, **kwargs)


def per_exe(namespace):
    """Makes a TestCase for each exe a test mixin's ARCHES names: Name_x64, Name_x86."""
    for name, mixin in list(namespace.items()):
        for arch in getattr(mixin, "ARCHES", ()) if isinstance(mixin, type) else ():
            namespace[f"{name}_{arch}"] = type(f"{name}_{arch}", (mixin, Test),
                                               {"ARCH": arch, "__module__": namespace["__name__"]})
