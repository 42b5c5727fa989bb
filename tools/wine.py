"""Windows programs under Wine, each prefix a copy of one template with its own wineserver, on a
private Xvfb: what make run, make bench and the end-to-end tests share. Without a window
manager, X root coordinates are screen coordinates."""

import atexit
import ctypes
import functools
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
BUILD = Path(os.environ.get("TAVORI_BUILD_DIR", REPO / "build" / "windows"))
EXES = {  # arch: (tavori.exe, the Wine loader that runs it); one 64-bit prefix runs both
    "x64": (BUILD / "tavori.exe", "/usr/lib/wine/wine64"),
    "x86": (BUILD.parent / "windows-x86" / "tavori.exe", "/usr/lib/wine/wine"),
}
HELPER = BUILD / "tavori-testhelper.exe"
WINE64, WINESERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64"
PREPARE_PREFIX = REPO / "tools" / "prepare-wine-prefix"
DEADLINE = 30.0  # Wine on two busy cores can be slow to start, paint and answer
COLOURS = {"00FFFF": "cyan", "00FF00": "green", "FF0000": "red"}
ADDR_NO_RANDOMIZE = 0x0040000


def at_fixed_addresses():
    """Debian's wine64 is a loader at 0x7d000000 without Wine's preloader, and the kernel puts
    its brk heap at a random place up to 1 GiB above it: now and then over 0x7ffe0000, where
    Wine must map the shared user data, and then the program never runs (status 1, "failed to
    map the shared user data"). Wine's processes start without address randomisation (in the
    child, before it runs the loader): the heap stays where the loader ends."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.personality(libc.personality(0xFFFFFFFF) | ADDR_NO_RANDOMIZE)


def wine_popen(args, env, **kwargs):
    """Starts a Wine program (the loader or wineserver) at fixed addresses."""
    return subprocess.Popen([str(a) for a in args], env=env, preexec_fn=at_fixed_addresses,
                            **kwargs)


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
        with wine_popen([WINE64, *args], env, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                        stdin=subprocess.DEVNULL) as proc:
            try:
                status = proc.wait(timeout=DEADLINE * 2)
            except subprocess.TimeoutExpired:
                proc.kill()
                raise
        out.seek(0)
        return status, out.read().decode(errors="replace").replace("\r\n", "\n")


def stop_wineserver(env):
    """Ends the prefix's server, which writes its registry out, and waits for it."""
    for flag in ("-k", "-w"):
        wine_popen([WINESERVER, flag], env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL).wait(timeout=DEADLINE)


def make_prefix(env, *more):
    """wineboot, then Windows' fonts and frames, then any more commands."""
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for command in ([WINE64, "wineboot", "-i"], [PREPARE_PREFIX], *more):
        if wine_popen(command, dict(env, WINE=WINE64), **quiet).wait(timeout=300) != 0:
            raise RuntimeError(f"making the Wine prefix: {command} failed")
    stop_wineserver(env)


class Display:
    """A private Xvfb, 1024x768, and a folder for the prefixes shown on it."""

    def __init__(self):
        self.dir = Path(tempfile.mkdtemp(prefix="tavori-wine-"))
        with open(self.dir / "xvfb.log", "wb") as log:
            read, write = os.pipe()
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten",
                 "tcp"], pass_fds=(write,), stdout=log, stderr=log, start_new_session=True)
        os.close(write)
        with os.fdopen(read) as number:
            self.name = ":" + number.readline().strip()

    def close(self):
        self.xvfb.kill()
        self.xvfb.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def make_template(display, folder=None):
    """A fresh prefix with Windows' fonts and frames, its server stopped: in folder, or in the
    display's own."""
    folder = Path(folder or display.dir / "template").resolve()  # Wine wants it whole
    # No window manager runs on these displays: Wine is told so. Else, hiding a window, it waits
    # two seconds for a window manager to withdraw it, at every close. The services that nothing
    # here uses (Wine's network drivers, the event log, Plug and Play) start with every copy of the
    # prefix, a sixth of the tests' time on two cores: they are turned off.
    make_prefix(wine_env(folder, display.name, display.dir),
                [WINE64, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N",
                 "/f"],
                *([WINE64, "reg", "add", rf"HKLM\System\CurrentControlSet\Services\{name}", "/v",
                   "Start", "/t", "REG_DWORD", "/d", "4", "/f"]
                  for name in ("NDIS", "nsiproxy", "Eventlog", "PlugPlay")))
    return folder


@functools.cache
def own_display():
    """This process's display, closed when the process ends."""
    made = Display()
    atexit.register(made.close)
    return made


@functools.cache
def template():
    """The prefix every Prefix is a copy of: one made already (TAVORI_WINE_TEMPLATE), or made now."""
    given = os.environ.get("TAVORI_WINE_TEMPLATE")
    return Path(given) if given else make_template(own_display())


def x(*args, display=None):
    """Runs an X client (xdotool, import) on this process's display; returns its output."""
    display = display or own_display().name
    return subprocess.run([str(a) for a in args], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, check=True, timeout=DEADLINE).stdout.decode()


def pixels(points, image=None, display=None):
    """The colours at screen points, now or in a screenshot: cyan, green, red or a hex."""
    each = " ".join(f"%[hex:p{{{px},{py}}}]" for px, py in points)
    source = ("convert", image) if image else ("import", "-silent", "-window", "root")
    out = x(*source, "-depth", "8", "-format", each, "info:", display=display)
    return [COLOURS.get(c, c) for c in out.split()]


def rows(window):
    """A main window's rows, from the top."""
    return sorted((c for c in window["children"] if c["class"].lower() == "edit"),
                  key=lambda c: c["rect"][1])


def row_colours(window, image=None, display=None):
    """The rows' colours, now or in a screenshot: left of the centred caption, inside the row's
    sunken edge, where only the background shows."""
    return pixels([(r["rect"][0] + 3, r["rect"][1] + r["rect"][3] // 2) for r in rows(window)],
                  image, display)


class Prefix:
    """A copy of the template prefix, with its own wineserver and settings."""

    def __init__(self, name):
        shown, source = own_display(), template()
        self.root = shown.dir / name
        self.drive = self.root / "drive_c"
        shutil.copytree(source, self.root, symlinks=True,
                        ignore=lambda d, _: ["windows"] if d.endswith("drive_c") else [])
        subprocess.run(["cp", "-al", source / "drive_c" / "windows", self.drive], check=True)
        (self.drive / "e2e").mkdir()
        shutil.copy2(HELPER, self.drive / "e2e" / "helper.exe")
        self.env = wine_env(self.root, shown.name, shown.dir)
        self.procs, self.server = [], None  # the helper that answers requests, once started
        assert wine_popen([WINESERVER, "-p"], self.env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).wait() == 0

    def run(self, *args, cwd=None):
        return wine_run(self.env, *args, cwd=cwd)

    def start(self, *args, loader=WINE64, cwd=None, dlls="", debug=None, log=None):
        """Starts a program, with more DLL overrides, and Wine's debug channels logged to a
        file; stdout keeps Wine's words when the program cannot start."""
        env = dict(self.env, WINEDLLOVERRIDES=self.env["WINEDLLOVERRIDES"] + ";" + dlls)
        env["WINEDEBUG"] = debug or env["WINEDEBUG"]
        out = tempfile.TemporaryFile()
        with open(log or os.devnull, "wb") as logged:
            proc = wine_popen([loader, *args], env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                              stderr=logged if log else subprocess.STDOUT,
                              start_new_session=True)
        proc.out = out
        self.procs.append(proc)
        return proc

    def named_process(self, image):
        """A sleeping process with that image name."""
        shutil.copy2(HELPER, self.drive / "e2e" / image)
        return self.start("C:\\e2e\\" + image)

    def helper(self, *args):
        """The helper's (status, output) for one request: one helper process, started at the
        first, answers them all, where a process each would cost a Wine start each."""
        if self.server is None:
            self.server = wine_popen([WINE64, r"C:\e2e\helper.exe", "serve"], self.env,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
            self.server.out = self.server.stdout
            self.procs.append(self.server)
        self.server.stdin.write(" ".join(map(str, args)).encode() + b"\n")
        self.server.stdin.flush()
        lines = []
        while not (line := self.server.stdout.readline()).startswith(b"="):
            assert line, f"the helper ended at {args}"
            lines.append(line)
        return int(line[1:]), b"".join(lines).decode(errors="replace").replace("\r\n", "\n")

    def windows(self, class_name):
        """The helper's report: the screen's facts and the visible top-level windows of class."""
        status, out = self.helper("windows", class_name)
        assert status == 0 and out.startswith("{"), f"the helper's report: {status}, {out!r}"
        return json.loads(out)

    def reg_import(self, text):
        path = self.drive / "e2e" / "import.reg"  # regedit's Unicode form: any text goes
        path.write_text("Windows Registry Editor Version 5.00\n\n" + text + "\n", encoding="utf-16")
        status, out = self.run("reg", "import", r"C:\e2e\import.reg")
        assert status == 0, out

    def close(self):
        for proc in self.procs:
            proc.kill()
            proc.wait()
            proc.out.close()
        stop_wineserver(self.env)
        shutil.rmtree(self.root, ignore_errors=True)


if __name__ == "__main__":  # wine.py FOLDER: makes the template prefix there (beside a build)
    shown = Display()
    try:
        make_template(shown, sys.argv[1])
    finally:
        shown.close()
