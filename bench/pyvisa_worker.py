"""The PyVISA side of bench_visa: opens RESOURCE through PyVISA with the VISA library BACKEND
(a library's path, or "@py" for pyvisa-py), prints "ready", then for each count it reads from
the FIFO COMMANDS makes that many "read?" queries and prints "done". Prints "missing: ..."
and ends when PyVISA or the backend cannot be used.

    /usr/bin/python3 pyvisa_worker.py BACKEND RESOURCE COMMANDS
"""

import sys

backend, resource, commands = sys.argv[1:4]
try:
    import pyvisa

    rm = pyvisa.ResourceManager(backend)
    meter = rm.open_resource(resource, read_termination="\n", write_termination="\n")
    meter.query("*IDN?")
except Exception as error:  # any reason the comparison cannot run is reported, not raised
    print(f"missing: {type(error).__name__}: {error}".replace("\n", " "), flush=True)
    sys.exit(0)

print("ready", flush=True)
with open(commands) as fifo:
    for line in fifo:
        for _ in range(int(line)):
            meter.query("read?")
        print("done", flush=True)
meter.close()
rm.close()
