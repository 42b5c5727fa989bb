"""Runs tavori.exe under Wine on a private Xvfb display and looks at what it shows.

One Session per test run owns an Xvfb server and a template Wine prefix (made once with
wineboot, the slow part). Each test gets a Bottle: its own copy of the template prefix with
its own persistent wineserver, in which it starts the monitor, the test helper and the
processes the monitor should notice. Everything a Session or Bottle starts is stopped by
process id or by `wineserver -k` for its own prefix; nothing else on the machine is touched.

Under Wine with no window manager the X window of a top-level window covers exactly its
Win32 window rectangle (Wine draws the caption and frame itself inside it) and X root
coordinates are Win32 screen coordinates, so the rectangles the helper reports locate
pixels in a screenshot of the root window directly.
"""

import json
import os
import select
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest
import zlib
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
WINE64 = os.environ.get("TAVORI_WINE64", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("TAVORI_WINESERVER", "/usr/lib/wine/wineserver64")

# Wine must never stop to ask: no debugger on a crash, no Mono/Gecko install prompts, no
# desktop menu entries written into the home directory.
WINEDLLOVERRIDES = "winedbg.exe=d;mscoree=d;mshtml=d;winemenubuilder.exe=d"

CYAN = (0, 255, 255)
GREEN = (0, 255, 0)
RED = (255, 0, 0)
COLOUR_NAMES = {CYAN: "cyan", GREEN: "green", RED: "red"}

# Generous deadlines: Wine on two busy cores can be slow to start and to repaint.
MAP_DEADLINE = 30.0
COLOUR_DEADLINE = 15.0
EXIT_DEADLINE = 30.0
COMMAND_DEADLINE = 60.0


class HarnessError(Exception):
    """The test machinery itself could not do its part (not a fault of the monitor)."""


def poll(probe, deadline, what, interval=0.1):
    """Calls probe() until it returns something true, which poll returns, or fails after
    deadline seconds."""
    end = time.monotonic() + deadline
    while True:
        last = probe()
        if last:
            return last
        if time.monotonic() >= end:
            raise AssertionError(f"gave up after {deadline:.0f} s waiting for {what}")
        time.sleep(interval)


def poll_value(read, expected, deadline, what, said, interval=0.2, report=None):
    """Calls read() until it returns expected, or fails after deadline seconds naming, after
    said, every value it read in turn (a repeat once), and adding report() when given."""
    seen = []

    def matches():
        value = read()
        if not seen or seen[-1] != value:
            seen.append(value)
        return value == expected

    try:
        poll(matches, deadline, what, interval=interval)
    except AssertionError as error:
        more = f"\n{report()}" if report else ""
        raise AssertionError(f"{error}; {said} {seen}{more}") from None


def run_wine_program(bottle, *args, cwd=None):
    """Runs a Windows program of the prefix (reg, sc, net, wineboot ...) to its end; returns
    (exit status, output, with \\n line ends). The output goes through a file, not a pipe: the
    first program of a fresh prefix starts Wine's services (services.exe and the rest), which
    inherit its standard handles and outlive it."""
    with tempfile.TemporaryFile() as out:
        result = subprocess.run(
            [WINE64, *args],
            cwd=cwd,
            env=bottle.env,
            stdin=subprocess.DEVNULL,
            stdout=out,
            stderr=subprocess.STDOUT,
            timeout=COMMAND_DEADLINE,
        )
        out.seek(0)
        return result.returncode, out.read().decode(errors="replace").replace("\r\n", "\n")


class SharedBottleTestCase(unittest.TestCase):
    """Tests that share one prefix, named BOTTLE_NAME, made before the first of them by
    prepare_bottle and closed after the last (or at once when preparing it fails)."""

    BOTTLE_NAME = None

    @classmethod
    def prepare_bottle(cls):
        """What the tests need in cls.bottle before the first of them runs."""

    @classmethod
    def setUpClass(cls):
        cls.bottle = session().bottle(cls.BOTTLE_NAME)
        try:
            cls.prepare_bottle()
        except BaseException:
            cls.bottle.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.bottle.close()


def keep_files():
    return bool(os.environ.get("TAVORI_E2E_KEEP"))


def build_dir():
    return Path(os.environ.get("TAVORI_BUILD_DIR", REPO / "build" / "windows"))


def _stop_process(proc, grace=5.0):
    """Ends a Popen we started: SIGTERM, then SIGKILL if it lingers. Returns its status."""
    if proc.poll() is None:
        try:
            proc.send_signal(signal.SIGTERM)
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=grace)
    return proc.returncode


# ---------------------------------------------------------------------------------------------
# Pictures


class Image:
    """An RGB picture (a screenshot of the X root window, or a piece of one)."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # bytes, 3 per pixel, rows top to bottom

    @classmethod
    def from_ppm(cls, data):
        """Reads a binary (P6) PPM with 8-bit samples."""
        fields = []
        pos = 0
        while len(fields) < 4:
            while data[pos : pos + 1].isspace():
                pos += 1
            if data[pos : pos + 1] == b"#":
                pos = data.index(b"\n", pos) + 1
                continue
            start = pos
            while not data[pos : pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise HarnessError(f"not an 8-bit binary PPM: {fields!r}")
        width, height = int(fields[1]), int(fields[2])
        pixels = data[pos + 1 : pos + 1 + width * height * 3]
        if len(pixels) != width * height * 3:
            raise HarnessError("short PPM")
        return cls(width, height, pixels)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i : i + 3])

    def crop(self, left, top, width, height):
        rows = []
        for y in range(top, top + height):
            i = (y * self.width + left) * 3
            rows.append(self.pixels[i : i + width * 3])
        return Image(width, height, b"".join(rows))

    def colour_census(self, left, top, width, height):
        """How many pixels of each colour the rectangle holds."""
        counts = {}
        for y in range(top, top + height):
            i = (y * self.width + left) * 3
            row = self.pixels[i : i + width * 3]
            for j in range(0, len(row), 3):
                colour = tuple(row[j : j + 3])
                counts[colour] = counts.get(colour, 0) + 1
        return counts

    def png(self):
        def chunk(kind, body):
            return (
                struct.pack(">I", len(body))
                + kind
                + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
            )

        stride = self.width * 3
        raw = b"".join(
            b"\x00" + self.pixels[y * stride : (y + 1) * stride] for y in range(self.height)
        )
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (
            b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b"")
        )

    def save_png(self, path):
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(self.png())


def row_colour(image, rect, inset=2):
    """The background colour of a status row: the colour most of the row's pixels have, named
    when it is one of the row colours. The sunken edge (inset) is left out; the caption text
    and the caret cover only a small part of the row, so they never win the count."""
    left, top = rect["left"] + inset, rect["top"] + inset
    width, height = rect["width"] - 2 * inset, rect["height"] - 2 * inset
    counts = image.colour_census(left, top, width, height)
    colour, count = max(counts.items(), key=lambda item: item[1])
    if colour in COLOUR_NAMES and count * 2 >= width * height:
        return COLOUR_NAMES[colour]
    return "rgb%s" % (colour,)


# ---------------------------------------------------------------------------------------------
# X displays


def run_on_display(display, *args):
    """Runs an X client (xdotool, import) on display to its end; returns its CompletedProcess
    with the output as bytes."""
    return subprocess.run(
        [str(a) for a in args],
        stdin=subprocess.DEVNULL,
        capture_output=True,
        env=dict(os.environ, DISPLAY=display),
        timeout=COMMAND_DEADLINE,
    )


def xdotool(display, *args):
    """Runs xdotool on display; returns what it printed."""
    result = run_on_display(display, "xdotool", *args)
    if result.returncode != 0:
        raise HarnessError(
            f"xdotool {' '.join(map(str, args))}: exit {result.returncode}: "
            f"{result.stderr.decode(errors='replace')}"
        )
    return result.stdout.decode(errors="replace")


def centre(rect):
    return rect["left"] + rect["width"] // 2, rect["top"] + rect["height"] // 2


def screenshot(display):
    """The whole root window of display, read straight from the X server."""
    result = run_on_display(display, "import", "-silent", "-window", "root", "-depth", "8", "ppm:-")
    if result.returncode != 0:
        raise HarnessError(f"import failed: {result.stderr.decode(errors='replace')}")
    return Image.from_ppm(result.stdout)


def visible_windows_named(display, name_regex):
    """X ids of the mapped windows whose title matches name_regex."""
    return run_on_display(
        display, "xdotool", "search", "--onlyvisible", "--name", name_regex
    ).stdout.split()


class Xvfb:
    """A private Xvfb on the first free display number (Xvfb picks it: -displayfd)."""

    def __init__(self, log_path):
        self.log = open(log_path, "wb")
        read_end, write_end = os.pipe()
        try:
            self.proc = subprocess.Popen(
                [
                    "Xvfb",
                    "-displayfd",
                    str(write_end),
                    "-screen",
                    "0",
                    "1024x768x24",
                    "-nolisten",
                    "tcp",
                    "-noreset",
                ],
                pass_fds=(write_end,),
                start_new_session=True,  # a Ctrl-C reaches the harness, which stops it
                stdin=subprocess.DEVNULL,
                stdout=self.log,
                stderr=subprocess.STDOUT,
            )
        finally:
            os.close(write_end)
        try:
            number = b""
            end = time.monotonic() + 30
            while not number.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], max(0, end - time.monotonic()))
                chunk = os.read(read_end, 64) if ready else b""
                if not chunk:
                    self.stop()
                    raise HarnessError(f"Xvfb did not report a display (log: {log_path})")
                number += chunk
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()

    def screenshot(self):
        return screenshot(self.display)

    def visible_windows_named(self, name_regex):
        return visible_windows_named(self.display, name_regex)

    def stop(self):
        if self.proc is not None:
            _stop_process(self.proc)
            self.proc = None
        self.log.close()


# ---------------------------------------------------------------------------------------------
# Wine prefixes


def wine_env(prefix, display, home=None, dll_overrides=""):
    """The environment for Wine commands in prefix, shown on display. A home directory of its
    own keeps Wine from linking the prefix's user folders into the real one."""
    env = {
        key: value
        for key, value in os.environ.items()
        if not key.startswith("WINE") and key not in ("DISPLAY", "XAUTHORITY")
    }
    if "XAUTHORITY" in os.environ and display == os.environ.get("DISPLAY"):
        env["XAUTHORITY"] = os.environ["XAUTHORITY"]
    if home is not None:
        home = Path(home)
        env.update(
            HOME=str(home),
            XDG_CONFIG_HOME=str(home / ".config"),
            XDG_DATA_HOME=str(home / ".local" / "share"),
            XDG_CACHE_HOME=str(home / ".cache"),
        )
    env.update(
        DISPLAY=display,
        WINEPREFIX=str(prefix),
        WINESERVER=WINESERVER,
        WINELOADER=WINE64,
        WINEARCH="win64",
        WINEDEBUG="-all",
        WINEDLLOVERRIDES=";".join(filter(None, [WINEDLLOVERRIDES, dll_overrides])),
        LC_ALL="C.UTF-8",
    )
    return env



class Bottle:
    """One test's Wine prefix (a copy of the session template) with its own wineserver."""

    def __init__(self, session, name, dll_overrides=""):
        self.session = session
        self.root = session.workdir / name
        self.prefix = self.root / "prefix"
        self.logs = self.root / "logs"
        self.programs = self.prefix / "drive_c" / "e2e"
        self.env = session.wine_env(self.prefix, dll_overrides)
        self._procs = []
        self._server_started = False
        session.bottles.add(self)
        try:
            self.logs.mkdir(parents=True)
            _clone_prefix(session.template, self.prefix)
            self.programs.mkdir()
            shutil.copy2(session.helper_exe, self.programs / "tavori-testhelper.exe")
            self._server_started = True
            self._start_server()
        except BaseException:
            self.close()
            raise

    # -- processes ----------------------------------------------------------------------------

    def _start_server(self):
        # The server goes into the background: it must not hold a pipe of ours open.
        with open(self.logs / "wineserver.log", "ab") as log:
            result = subprocess.run(
                [WINESERVER, "-p"],
                env=self.env,
                stdin=subprocess.DEVNULL,
                stdout=log,
                stderr=subprocess.STDOUT,
                timeout=COMMAND_DEADLINE,
            )
        if result.returncode != 0:
            raise HarnessError(f"wineserver -p: exit {result.returncode}; see {log.name}")

    def start(self, windows_path, *args, log_name=None, cwd=None):
        """Starts a Windows program in this prefix; returns its Popen (whose pid is the
        Windows process itself: Wine's loader becomes the program). cwd, a folder on the Linux
        side, becomes the program's working folder (a folder under the prefix's drive_c is
        C:\\ and the rest of its path)."""
        log_name = log_name or Path(windows_path.replace("\\", "/")).name
        log = open(self.logs / f"{log_name}.log", "ab")
        proc = subprocess.Popen(
            [WINE64, windows_path, *args],
            cwd=cwd,
            env=self.env,
            start_new_session=True,
            stdin=subprocess.DEVNULL,
            stdout=log,
            stderr=subprocess.STDOUT,
        )
        log.close()
        self._procs.append(proc)
        return proc

    def start_monitor(self, windows_path=None, cwd=None):
        """Starts tavori.exe: the build's, or the copy at windows_path."""
        path = windows_path or str(self.session.tavori_exe)
        return self.start(path, log_name="tavori", cwd=cwd)

    def start_named_process(self, image_name):
        """Starts a copy of the sleeping helper whose image name is image_name."""
        target = self.programs / image_name
        shutil.copy2(self.session.helper_exe, target)
        return self.start("C:\\e2e\\" + image_name)

    def kill(self, proc):
        if proc.poll() is None:
            proc.kill()
        proc.wait(timeout=EXIT_DEADLINE)

    def helper(self, *args, check=True):
        """Runs the test helper in this prefix; returns (exit status, stdout). Its output goes
        through files, not pipes: when it is the program that starts the prefix's background
        processes (services.exe, rpcss.exe...), they inherit its handles and would hold a pipe
        open, and this call would wait for them, until the deadline."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(
                [WINE64, "C:\\e2e\\tavori-testhelper.exe", *args],
                env=self.env,
                stdin=subprocess.DEVNULL,
                stdout=out,
                stderr=err,
                timeout=COMMAND_DEADLINE,
            )
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read()
        if check and result.returncode not in (0, 2):
            raise HarnessError(
                f"tavori-testhelper {' '.join(args)}: exit {result.returncode}: "
                f"{stderr.decode(errors='replace')}"
            )
        return result.returncode, stdout.decode(errors="replace")

    def window_info(self, class_name, caption=None):
        """The helper's report on a top-level window, or None when there is none."""
        status, out = self.helper("window-info", class_name, *([caption] if caption else []))
        return json.loads(out) if status == 0 else None

    def top_level_windows(self):
        return json.loads(self.helper("windows")[1])

    def message_boxes(self):
        return [
            w for w in self.top_level_windows() if w["class"] == "#32770" and w["visible"]
        ]

    def describe_message_boxes(self):
        lines = []
        for box in self.message_boxes():
            info = self.window_info("#32770", box["caption"]) or {"children": []}
            texts = [c["text"] for c in info["children"] if c["class"].lower() == "static"]
            lines.append(f"message box {box['caption']!r}: {' '.join(t for t in texts if t)}")
        return "\n".join(lines)

    def log_text(self, name):
        path = self.logs / f"{name}.log"
        return path.read_text(errors="replace") if path.exists() else ""

    def close(self):
        """Stops everything this bottle started, then its wineserver, and removes the prefix."""
        for proc in self._procs:
            if proc.poll() is None:
                proc.kill()
            try:
                proc.wait(timeout=EXIT_DEADLINE)
            except subprocess.TimeoutExpired:
                pass
        if self._server_started:
            stop_prefix(self.env)
            self._server_started = False
        self.session.bottles.discard(self)
        if not keep_files():
            shutil.rmtree(self.prefix, ignore_errors=True)


def stop_prefix(env):
    """Stops every Wine process of env's prefix: `wineserver -k`, then any process that had
    not yet reached the server when it went (a loader still starting up, say), found by the
    WINEPREFIX in its environment; the prefix paths here are this run's alone."""
    for flag in ("-k", "-w"):
        subprocess.run([WINESERVER, flag], env=env, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=COMMAND_DEADLINE)
    marker = f"\0WINEPREFIX={env['WINEPREFIX']}\0".encode()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environ = b"\0" + (entry / "environ").read_bytes()
            if marker in environ:
                os.kill(int(entry.name), signal.SIGKILL)
        except (OSError, ProcessLookupError):
            pass  # gone already, or not ours to read


def _clone_prefix(template, target):
    """Copies a prefix quickly: the Windows directory (hundreds of MB of DLLs nobody writes)
    as hard links, everything else (registry files, user folders) as real copies."""
    target.mkdir(parents=True)
    windows = Path("drive_c") / "windows"
    for entry in template.iterdir():
        if entry.name == "drive_c":
            (target / "drive_c").mkdir()
            for sub in entry.iterdir():
                if sub.name == "windows":
                    continue
                subprocess.run(["cp", "-a", str(sub), str(target / "drive_c")], check=True)
        else:
            subprocess.run(["cp", "-a", str(entry), str(target)], check=True)
    subprocess.run(
        ["cp", "-al", str(template / windows), str(target / "drive_c")], check=True
    )


# ---------------------------------------------------------------------------------------------
# The session


class Session:
    """One Xvfb display and one template prefix for a whole test run."""

    def __init__(self):
        self.tavori_exe = Path(os.environ.get("TAVORI_EXE", build_dir() / "tavori.exe"))
        self.helper_exe = Path(
            os.environ.get("TAVORI_TESTHELPER_EXE", build_dir() / "tavori-testhelper.exe")
        )
        for exe in (self.tavori_exe, self.helper_exe):
            if not exe.is_file():
                raise HarnessError(f"{exe} is missing: build it first (make build)")
        for tool in (WINE64, WINESERVER):
            if not os.access(tool, os.X_OK):
                raise HarnessError(f"{tool} is missing: install wine64 (make deps)")
        self.workdir = Path(tempfile.mkdtemp(prefix="tavori-e2e-"))
        self.home = self.workdir / "home"
        self.home.mkdir()
        self.template = self.workdir / "template"
        self._bottles = 0
        self.bottles = set()  # open ones, closed at the end if a test could not
        self.xvfb = None
        try:
            self.xvfb = Xvfb(self.workdir / "xvfb.log")
            self._make_template()
        except BaseException:
            self.close()
            raise

    def wine_env(self, prefix, dll_overrides=""):
        return wine_env(prefix, self.xvfb.display, self.home, dll_overrides)

    def _make_template(self):
        env = self.wine_env(self.template)
        log = self.workdir / "wineboot.log"
        with open(log, "wb") as out:
            boot = subprocess.run(
                [WINE64, "wineboot", "-i"],
                env=env,
                stdin=subprocess.DEVNULL,
                stdout=out,
                stderr=subprocess.STDOUT,
                timeout=300,
            )
        # The server writes the registry out when it shuts down; the template is copied only
        # after that, with nothing of it running.
        stop_prefix(env)
        if boot.returncode != 0 or not (self.template / "system.reg").is_file():
            raise HarnessError(f"wineboot -i failed (exit {boot.returncode}); see {log}")

    def bottle(self, name, dll_overrides=""):
        self._bottles += 1
        safe = "".join(c if c.isalnum() else "-" for c in name)[-60:]
        return Bottle(self, f"{self._bottles:02d}-{safe}", dll_overrides)

    def screenshot(self):
        return self.xvfb.screenshot()

    def close(self):
        for bottle in list(self.bottles):
            bottle.close()
        if self.xvfb is not None:
            self.xvfb.stop()
            self.xvfb = None
        # Debian's Wine keeps each prefix's server socket under /tmp/<name in the prefix's
        # "wineserver" file>; the copies share the template's, which is this run's alone.
        tag_file = self.template / "wineserver"
        if tag_file.is_file():
            tag = tag_file.read_text().strip()
            if tag.startswith("wine-") and "/" not in tag:
                shutil.rmtree(Path(tempfile.gettempdir()) / tag, ignore_errors=True)
        if not keep_files():
            shutil.rmtree(self.workdir, ignore_errors=True)


_session = None
_session_error = None


def session():
    """The run's Session, made on first use. If it cannot be made, every test that asks for
    it fails with the same error, without trying again."""
    global _session, _session_error
    if _session_error is not None:
        raise HarnessError(f"no test session: {_session_error}")
    if _session is None:
        try:
            _session = Session()
        except Exception as error:
            _session_error = error
            raise
    return _session


def close_session():
    global _session
    if _session is not None:
        _session.close()
        _session = None
