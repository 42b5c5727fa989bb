"""The end-to-end tests under pytest (and pytest-xdist, a display of its own for each worker):
the longest tests go first, and one template prefix is made before the workers start, unless
TAVORI_WINE_TEMPLATE names one."""

import os
import shutil
import signal
import tempfile
from pathlib import Path

import harness


def pytest_configure(config):
    signal.signal(signal.SIGTERM, signal.default_int_handler)  # so that the displays stop too
    if hasattr(config, "workerinput") or os.environ.get("TAVORI_WINE_TEMPLATE"):
        return
    missing = [str(exe) for exe in (harness.HELPER, harness.EXES["x64"][0]) if not exe.is_file()]
    assert not missing, f"build them first (make build): {missing}"
    folder, display = Path(tempfile.mkdtemp(prefix="tavori-e2e-")), harness.wine.Display()
    config.add_cleanup(lambda: shutil.rmtree(folder, ignore_errors=True))
    try:
        os.environ["TAVORI_WINE_TEMPLATE"] = str(harness.wine.make_template(display, folder / "template"))
    finally:
        display.close()


def pytest_collection_modifyitems(items):
    items.sort(key=lambda item: not getattr(getattr(item, "function", None), "slow", False))
