"""No probe waits for WMI without end, as Wine's wbemprox trace shows. (Wine 8 answers at once
whatever the time-out: what a hung provider does to the rows, only Windows shows.)"""

import re

import harness
from test_main_window import rows_lit


class ProbeWait:
    ARCHES = ("x64", "x86")

    def test_every_wait_for_a_result_is_bounded(self):
        prefix, monitor, window = self.started(trace=True, channels="+wbemprox")
        monitor.wait_colours(window, rows_lit())
        prefix.named_process("mepops.exe")
        monitor.wait_colours(window, rows_lit("MEPOPS"))
        text = monitor.trace.read_text(errors="replace")
        # "enum_class_object_Next <enumerator>, <time-out in ms>, <count>, ..."
        waits = [int(w) for w in re.findall(r"enum_class_object_Next \w+, (-?\d+),", text)]
        self.assertGreaterEqual(len(waits), 8, "the probes' waits")
        self.assertEqual([w for w in waits if not 0 < w <= 2000], [], "unbounded waits")
        # "wbem_locator_ConnectServer <locator>, <namespace>, <user>, <password>, <locale>,
        # <flags>, ...": WMI's most time for the bind, WBEM_FLAG_CONNECT_USE_MAX_WAIT.
        binds = re.findall(r"wbem_locator_ConnectServer \w+, L\"[^\"]*\", \S+ \S+ \S+ (0x\w+),", text)
        self.assertTrue(binds and all(int(f, 16) & 0x80 for f in binds), binds[:3])


harness.per_exe(globals())
