"""Real Windows services in a test prefix, for the monitor's rows to start and stop.

A service is a copy of tavori-testhelper.exe in C:\\tavori-test under the image name the monitor
watches, registered with Wine's own sc.exe to run in the helper's `service NAME` mode. Wine's
net.exe and sc.exe start, stop and query it as Windows' would; Wine's services.exe runs it.

The tests run their own copy of tavori.exe from C:\\tavori-app, with C:\\tavori-work as its
working folder, and plant a net.exe stand-in (the helper again, which only notes that it ran)
in both: a program that looked for net.exe anywhere but in the system folder would find it.
"""

import json
import re
import shutil
from contextlib import contextmanager

import harness
from harness import (
    COLOUR_DEADLINE,
    COMMAND_DEADLINE,
    HarnessError,
    centre,
    poll,
    poll_value,
    run_wine_program,
    xdotool,
)

SERVICE_FOLDER = "tavori-test"
APP_FOLDER = "tavori-app"
WORK_FOLDER = "tavori-work"
STAND_IN_MARKER = "net-ran.txt"  # what the helper writes beside itself when run as net.exe

# Where the X pointer rests between clicks: off the monitor, so that no row's tooltip shows and
# covers the row under it.
POINTER_PARK = (1016, 760)


def wmi_count(bottle, image):
    """How many processes WMI finds with that image name, asked through the helper."""
    return json.loads(bottle.helper("wmi-count", image)[1])["count"]


def process_names(bottle):
    return [p["name"].lower() for p in json.loads(bottle.helper("processes")[1])]


class ServiceHost:
    """The services of one bottle, and the copy of tavori.exe that is to control them."""

    def __init__(self, bottle):
        self.bottle = bottle
        drive_c = bottle.prefix / "drive_c"
        self.service_folder = drive_c / SERVICE_FOLDER
        self.app_folder = drive_c / APP_FOLDER
        self.work_folder = drive_c / WORK_FOLDER
        self.installed = {}  # service name: image name
        for folder in (self.service_folder, self.app_folder, self.work_folder):
            folder.mkdir()
        shutil.copy2(bottle.session.tavori_exe, self.app_folder / "tavori.exe")
        for folder in self.stand_in_folders():
            shutil.copy2(bottle.session.helper_exe, folder / "net.exe")

    # -- services ------------------------------------------------------------------------------

    def install(self, name, image):
        shutil.copy2(self.bottle.session.helper_exe, self.service_folder / image)
        binary = f"C:\\{SERVICE_FOLDER}\\{image} service {name}"
        status, out = run_wine_program(
            self.bottle, "sc", "create", name, "binPath=", binary, "type=", "own",
            "start=", "demand",
        )
        if status != 0:
            raise HarnessError(f"sc create {name}: exit {status}: {out}")
        self.installed[name] = image

    def state(self, name):
        """What `sc query` says of the service (RUNNING, STOPPED, START_PENDING...), or None
        when there is no such service."""
        status, out = run_wine_program(self.bottle, "sc", "query", name)
        found = re.search(r"STATE\s*:\s*\d+\s+(\w+)", out)
        return found.group(1) if status == 0 and found else None

    def wait_state(self, name, state, deadline=COMMAND_DEADLINE):
        def now():
            self.check_stand_ins()
            return self.state(name)

        poll_value(now, state, deadline, f"sc query {name} to say {state}", "sc query said")

    def stop_all(self):
        """Stops every installed service that runs, through Wine's net.exe."""
        for hold in ("hold-start", "hold-stop"):
            (self.service_folder / hold).unlink(missing_ok=True)
        for name in self.installed:
            if self.state(name) != "STOPPED":
                run_wine_program(self.bottle, "net", "stop", name)
                self.wait_state(name, "STOPPED")

    @contextmanager
    def hold(self, step):
        """Keeps every service from taking a start (step "start") or answering a stop ("stop")
        inside the block, and so keeps the net.exe that asked for it running."""
        path = self.service_folder / f"hold-{step}"
        path.write_bytes(b"")
        try:
            yield
        finally:
            path.unlink(missing_ok=True)

    # -- the net.exe stand-ins -------------------------------------------------------------------

    def stand_in_folders(self):
        return [self.app_folder, self.work_folder]

    def stand_in_runs(self):
        """What each stand-in that ran wrote, by its Windows path: its command line, a line
        per run."""
        runs = {}
        for folder in self.stand_in_folders():
            marker = folder / STAND_IN_MARKER
            if marker.exists():
                runs[f"C:\\{folder.name}\\net.exe"] = marker.read_text(errors="replace").strip()
        return runs

    def forget_stand_in_runs(self):
        for folder in self.stand_in_folders():
            (folder / STAND_IN_MARKER).unlink(missing_ok=True)

    def check_stand_ins(self):
        """Fails at once when a stand-in ran: the real service will not change then."""
        runs = self.stand_in_runs()
        if runs:
            raise AssertionError(f"a net.exe other than the system's ran: {runs}")

    def arm_stand_ins(self):
        """Proves that the stand-ins catch a program that searches for net.exe: cmd.exe,
        which looks in its working folder before the system folder, finds each when started in
        its folder. Then forgets that they ran."""
        for folder in self.stand_in_folders():
            run_wine_program(self.bottle, "cmd", "/c", "net.exe", "stop", "NOSERVICE", cwd=folder)
        runs = self.stand_in_runs()
        if len(runs) != len(self.stand_in_folders()):
            raise HarnessError(f"a net.exe stand-in was not found by cmd.exe: only {runs}")
        self.forget_stand_in_runs()

    def monitor_args(self):
        """What Monitor needs to start this host's copy of tavori.exe in its working folder."""
        return {"windows_path": f"C:\\{APP_FOLDER}\\tavori.exe", "cwd": self.work_folder}


# ---------------------------------------------------------------------------------------------
# The rows, as a user clicks and sees them


def move_pointer(display, x, y):
    """Moves the X pointer and waits until the X server has it there. (xdotool's own --sync
    waits for the pointer to leave where it was, for 15 s when it was there already.)"""

    def there():
        xdotool(display, "mousemove", x, y)
        found = re.search(r"x:(-?\d+) y:(-?\d+)", xdotool(display, "getmouselocation"))
        return found and (int(found.group(1)), int(found.group(2))) == (x, y)

    poll(there, COMMAND_DEADLINE, f"the X pointer to reach {x}, {y}")


def park_pointer(display, over=None):
    """Moves the X pointer off the monitor, so that no row's tooltip shows over the row under
    it. Over a rectangle first, when Wine's idea of the cursor may differ from X's (after the
    helper's SendInput): Wine hears of the pointer only while it is over one of its windows."""
    if over is not None:
        move_pointer(display, *centre(over))
    move_pointer(display, *POINTER_PARK)


def double_click(display, rect):
    """Double-clicks the middle of a screen rectangle with the X pointer, as a user's mouse
    would (Wine makes the second press a WM_LBUTTONDBLCLK), then parks the pointer."""
    move_pointer(display, *centre(rect))
    xdotool(display, "click", "--repeat", 2, "--delay", 80, 1)
    park_pointer(display)


def row_shade(image, rect, inset=2):
    """The colour a row shows. A double-click selects the row's word, and the highlight stays
    while the row has the focus; with the caption it may cover more of the row than the
    background still shows. So only the row colours count: the row shows the one that covers a
    fifth of it and ten times as much as any other. (The focused row's caret is drawn inverted:
    on red it is a thin cyan line. While a row repaints, two colours may show alike.)"""
    left, top = rect["left"] + inset, rect["top"] + inset
    width, height = rect["width"] - 2 * inset, rect["height"] - 2 * inset
    counts = image.colour_census(left, top, width, height)
    shown = sorted(
        ((counts.get(colour, 0), name) for colour, name in harness.COLOUR_NAMES.items()),
        reverse=True,
    )
    (most, name), (next_most, _) = shown[0], shown[1]
    if most * 5 >= width * height and most >= 10 * next_most:
        return name
    return "unclear " + ", ".join(f"{name} {count}" for count, name in shown if count)


def row_shades(monitor):
    image = monitor.screenshot()
    return [row_shade(image, row["rect"]) for row in monitor.rows()]


def wait_row_shades(monitor, expected, deadline=COLOUR_DEADLINE):
    """Polls screenshots until the rows show exactly the expected colours, top to bottom."""

    def shades():
        if monitor.exited():
            raise AssertionError("tavori.exe ended while its rows were watched")
        return row_shades(monitor)

    poll_value(shades, expected, deadline, f"rows {expected}", "rows went through",
               report=monitor.diagnose)
