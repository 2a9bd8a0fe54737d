"""PyVISA over libvxvisa: the resource manager PyVISA makes from the library's path lists,
identifies, writes to, reads from, clears and closes simulated meters in process (USB and
GPIB) and meters behind k9sim (TCP sockets); a meter that does not answer raises VisaIOError
with VI_ERROR_TMO. Also: PyVISA finds every operation it binds, the header's constants
have the values PyVISA knows them by, and the README's ~/.pyvisarc lines make libvxvisa
PyVISA's default.

    /usr/bin/python3 pyvisa_test.py LIBVXVISA K9SIM VISA_CONSTANTS_H README

Exits with 77 (skipped) when PyVISA is not installed.
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

try:
    import pyvisa
    from pyvisa import constants
except ImportError:
    print("SKIPPED: python3-pyvisa is not installed (scripts/install-deps.sh installs it)")
    sys.exit(77)

LIBRARY, K9SIM, CONSTANTS_HEADER, README = sys.argv[1:5]
USB = "USB0::0x1F3A::0x0C21::TW00012345::INSTR"
GPIB = "GPIB0::22::INSTR"
MUTE = "GPIB0::9::INSTR"
SIMULATION = f"""
[USB meter]
Descriptor={USB}
Identity=TOLVEX,W9-90/1,TW00012345,Q7110 1.05
[GPIB meter]
Descriptor={GPIB}
Identity=TOLVEX,W9-90/1,TW00054321,Q7100 1.02
[Mute meter]
Descriptor={MUTE}
Fault=noanswer
"""


def setUpModule():
    global folder, rm, sockets, server
    folder = tempfile.TemporaryDirectory()
    sim_file = os.path.join(folder.name, "meters.ini")
    with open(sim_file, "w") as out:
        out.write(SIMULATION)
    # The library reads its set-up when the first resource manager opens.
    os.environ.update(VX_VISA_SIM=sim_file, VX_VISA_NATIVE="0", VX_VISA_LIBRARY="")
    # A sanitizer's run-time preloaded for this interpreter is not for k9sim, which has its own.
    server_environment = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    server = subprocess.Popen([K9SIM, "--base-port", "0", sim_file], stdout=subprocess.PIPE,
                              text=True, env=server_environment)
    sockets = {}
    while len(sockets) < 3:
        line = server.stdout.readline()
        if not line:
            raise RuntimeError("k9sim ended before it listened")
        descriptor, socket = line.split()
        sockets[descriptor] = socket
    rm = pyvisa.ResourceManager(LIBRARY)


def tearDownModule():
    rm.close()
    server.terminate()
    server.wait(10)
    folder.cleanup()


def check_compound_query(test, resource):
    """A line of two queries gets one answer, the two units separated by ";", and the next
    query gets its own answer."""
    meter = rm.open_resource(resource, read_termination="\n")
    meter.write("CONF:VOLT:DC")
    identity, function = meter.query("*IDN?;func?").split(";")
    test.assertTrue(identity.startswith("TOLVEX,W9-90/1,TW00012345,"), identity)
    test.assertEqual(function, '"VOLT"')
    test.assertRegex(meter.query("read?"), r"^[+-]\d\.\d{8}E[+-]\d\d$")
    meter.close()


class Library(unittest.TestCase):
    def test_every_operation_pyvisa_binds_is_there(self):
        self.assertEqual(rm.visalib.lib._functions_failed, [])

    def test_the_header_constants_have_their_standard_values(self):
        with open(CONSTANTS_HEADER) as header:
            text = header.read()
        compared = 0
        for name, kind, value in re.findall(
                r"#define (VI_\w+) _VX_VI_(ATTR|EVENT|COMPLETION|ERROR)\((\w+)\)", text):
            number = int(value, 16 if value.startswith("0x") else 10)
            if kind == "ERROR":
                number += 0x80000000
            known = getattr(constants, name, None)
            if known is not None:
                self.assertEqual(number & 0xFFFFFFFF, known & 0xFFFFFFFF, name)
                compared += 1
        for name, value in re.findall(r"#define (VI_\w+) \((-?\d+|0x[0-9A-F]+)\)", text):
            known = getattr(constants, name, None)
            if known is not None:
                self.assertEqual(int(value, 0), known, name)
                compared += 1
        self.assertGreater(compared, 200)


class InProcessSimulator(unittest.TestCase):
    def test_listing(self):
        self.assertEqual(rm.list_resources(), (USB, GPIB, MUTE))
        info = rm.list_resources_info()
        self.assertEqual(info[USB].interface_type, constants.InterfaceType.usb)
        self.assertEqual(info[GPIB].interface_type, constants.InterfaceType.gpib)
        self.assertEqual(info[GPIB].resource_class, "INSTR")
        self.assertEqual(info[GPIB].interface_board_number, 0)
        self.assertEqual(rm.list_resources("USB?*"), (USB,))

    def test_query_write_read_clear_close(self):
        for name, serial in ((USB, "TW00012345"), (GPIB, "TW00054321")):
            meter = rm.open_resource(name, read_termination="\n")
            self.assertEqual(meter.query("*IDN?").split(",")[:3], ["TOLVEX", "W9-90/1", serial])
            meter.write("CONF:RES")
            meter.write("func?")
            self.assertEqual(meter.read(), '"RES"')
            meter.write("CONF:VOLT:DC")
            meter.write("*IDN?")
            meter.clear()  # drops the answer nobody read
            self.assertEqual(meter.query("func?"), '"VOLT"')
            meter.close()
            with self.assertRaises(pyvisa.errors.InvalidSession):
                meter.query("*IDN?")

    def test_a_compound_query_gets_one_answer(self):
        check_compound_query(self, USB)

    def test_usb_attributes(self):
        meter = rm.open_resource(USB)
        self.assertEqual(meter.manufacturer_id, 0x1F3A)
        self.assertEqual(meter.model_code, 0x0C21)
        self.assertEqual(meter.serial_number, "TW00012345")
        self.assertEqual(meter.resource_manufacturer_name, "Tolvex")
        self.assertEqual(meter.interface_number, 0)
        meter.close()

    def test_a_meter_that_does_not_answer_times_out(self):
        meter = rm.open_resource(MUTE, read_termination="\n", timeout=200)
        with self.assertRaises(pyvisa.errors.VisaIOError) as raised:
            meter.query("*IDN?")
        self.assertEqual(raised.exception.error_code, constants.VI_ERROR_TMO)
        meter.close()

    def test_lock_and_serial_poll(self):
        meter = rm.open_resource(GPIB, read_termination="\n")
        other = rm.open_resource(GPIB)
        meter.lock_excl(timeout=0)
        with self.assertRaises(pyvisa.errors.VisaIOError) as raised:
            other.lock_excl(timeout=0)
        self.assertEqual(raised.exception.error_code, constants.VI_ERROR_TMO)
        meter.unlock()
        other.lock_excl(timeout=0)
        other.unlock()
        meter.write("*IDN?")
        self.assertEqual(meter.read_stb() & 0x10, 0x10)
        meter.read()
        meter.close()
        other.close()


class ThePyvisarcOfTheReadme(unittest.TestCase):
    """The ~/.pyvisarc lines the README shows make libvxvisa PyVISA's default: a resource
    manager made without a path opens it and lists the meters."""

    def test_a_resource_manager_without_a_path_uses_libvxvisa(self):
        with open(README) as readme:
            text = readme.read()
        block = re.search(r"`~/\.pyvisarc`.*?```ini\n(.*?)```", text, re.S)
        self.assertIsNotNone(block, "the README shows no .pyvisarc lines")
        lines = block.group(1).replace("/usr/lib/x86_64-linux-gnu/libvxvisa.so.1", LIBRARY)
        with tempfile.TemporaryDirectory() as home:
            with open(os.path.join(home, ".pyvisarc"), "w") as rc:
                rc.write(lines)
            program = ("import pyvisa; rm = pyvisa.ResourceManager(); "
                       "print(rm.visalib.library_path.path); print(*rm.list_resources())")
            done = subprocess.run([sys.executable, "-c", program], capture_output=True,
                                  text=True, env=dict(os.environ, HOME=home), timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        used, listed = done.stdout.splitlines()[:2]
        self.assertEqual(os.path.realpath(used), os.path.realpath(LIBRARY))
        self.assertIn(USB, listed.split())


class MetersBehindK9sim(unittest.TestCase):
    def test_a_compound_query_gets_one_answer(self):
        check_compound_query(self, sockets[USB])

    def test_query_write_read_clear_close(self):
        meter = rm.open_resource(sockets[USB], read_termination="\n")
        self.assertEqual(meter.interface_type, constants.InterfaceType.tcpip)
        self.assertTrue(meter.query("*IDN?").startswith("TOLVEX,W9-90/1,TW00012345,"))
        meter.write("CONF:FREQ")
        meter.write("func?")
        self.assertEqual(meter.read(), '"FREQ"')
        meter.clear()
        meter.write("CONF:VOLT:DC")
        self.assertEqual(meter.query("func?"), '"VOLT"')
        meter.close()

    def test_a_meter_that_does_not_answer_times_out(self):
        meter = rm.open_resource(sockets[MUTE], read_termination="\n", timeout=200)
        with self.assertRaises(pyvisa.errors.VisaIOError) as raised:
            meter.query("*IDN?")
        self.assertEqual(raised.exception.error_code, constants.VI_ERROR_TMO)
        meter.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
