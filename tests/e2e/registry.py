"""The monitor's settings as Wine's own reg.exe sees them, in one Bottle's prefix.

TAVORI keeps its settings as text (REG_SZ) values of one key; the tests read and edit them
from outside the program, the way a user would with regedit or reg.exe.
"""

import re

from harness import HarnessError, run_wine_program

SETTINGS_KEY = r"HKEY_CURRENT_USER\Software\TAVORI\Settings"

MAIN_PLACEMENT_KEYS = ["MainLeft", "MainTop", "MainWidth", "MainHeight"]
OPTIONS_PLACEMENT_KEYS = ["OPTIONS" + key for key in MAIN_PLACEMENT_KEYS]
ALWAYS_ON_TOP_KEY = "AlwaysOnTopTimer_TICKBOX"

# One value of `reg query`: four blanks, the name, four blanks, the type, then (unless the data
# is empty) four blanks and the data.
_VALUE_LINE = re.compile(r"^    (.+?)    (REG_[A-Z_]+)(?:    (.*))?$")


class Settings:
    """The TAVORI settings key of one Bottle."""

    def __init__(self, bottle):
        self.bottle = bottle

    def _reg(self, *args):
        status, out = run_wine_program(self.bottle, "reg", *args)
        return status, out

    def values(self):
        """Every value under the key as {name: text}, or None when the key does not exist."""
        status, out = self._reg("query", SETTINGS_KEY)
        if status != 0:
            if "Unable to find" in out:
                return None
            raise HarnessError(f"reg query {SETTINGS_KEY}: exit {status}: {out}")
        values = {}
        for line in out.split("\n"):
            match = _VALUE_LINE.match(line)
            if match is None:
                continue
            name, kind, data = match.group(1), match.group(2), match.group(3) or ""
            if kind != "REG_SZ":
                raise HarnessError(f"{name} is {kind}, not REG_SZ: {line!r}")
            values[name] = data
        return values

    def store(self, values):
        """Adds or replaces text values, as a user editing the registry would."""
        for name, text in values.items():
            status, out = self._reg(
                "add", SETTINGS_KEY, "/v", name, "/t", "REG_SZ", "/d", text, "/f"
            )
            if status != 0:
                raise HarnessError(f"reg add {name}={text!r}: exit {status}: {out}")

    def delete_key(self):
        status, out = self._reg("delete", SETTINGS_KEY, "/f")
        if status != 0:
            raise HarnessError(f"reg delete {SETTINGS_KEY}: exit {status}: {out}")
