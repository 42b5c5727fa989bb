"""pytest's hooks for the end-to-end tests, which copy the template prefix that
TAVORI_WINE_TEMPLATE names (make e2e-test makes it): the longest tests go first."""

import signal


def pytest_configure(config):
    signal.signal(signal.SIGTERM, signal.default_int_handler)  # so that the displays stop too


def pytest_collection_modifyitems(items):
    items.sort(key=lambda item: not getattr(getattr(item, "function", None), "slow", False))
