#!/usr/bin/python3
"""Live cells in a headless Calc, driven over UNO, against the installed program.

Run by tests/calc/check on a private session bus, with USR the unpacked package's /usr.
A cell follows records one by one, within 200 ms of their Reading signal, as numbers under
a French locale; it shows an error value while the program is stopped and follows again
after it restarts.
"""
import os
import pathlib
import signal
import statistics
import subprocess
import tempfile
import threading
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

import uno  # noqa: E402
from com.sun.star.beans import PropertyValue  # noqa: E402

USR = pathlib.Path(os.environ["USR"])
SOFFICE = "/usr/lib/libreoffice/program/soffice"
LATENCY_LIMIT = 0.200
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)


class Signals:
    """Every Reading signal, with the moment it reached this process."""

    def __init__(self):
        self.readings = []
        self.lock = threading.Lock()
        ready = threading.Event()
        threading.Thread(target=self._run, args=(ready,), daemon=True).start()
        ready.wait(5)

    def _run(self, ready):
        context = GLib.MainContext()
        context.push_thread_default()
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        bus.signal_subscribe("zav41k.Source", "zav41k.Reading1", "Reading", "/data", None,
                             Gio.DBusSignalFlags.NONE, self._reading)
        ready.set()
        GLib.MainLoop(context).run()

    def _reading(self, connection, sender, path, interface, name, parameters):
        fields = parameters.unpack()
        with self.lock:
            self.readings.append((time.monotonic(), fields))

    def taken(self):
        with self.lock:
            return list(self.readings)


def wait_for(predicate, seconds, step=0.05):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def start_program(workdir):
    env = dict(os.environ, LANG="fr_FR.UTF-8", LANGUAGE="fr", QT_QPA_PLATFORM="offscreen",
               XDG_CONFIG_HOME=str(workdir / "config"))
    return subprocess.Popen([str(USR / "bin/zav41k")], env=env, stderr=subprocess.DEVNULL)


def source_runs(bus):
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus", "NameHasOwner",
                          GLib.Variant("(s)", ("zav41k.Source",)), None,
                          Gio.DBusCallFlags.NONE, 2000, None)
    return reply.unpack()[0]


def published(bus, item):
    return bus.call_sync("zav41k.Source", "/data", "org.freedesktop.DBus.Properties", "Get",
                         GLib.Variant("(ss)", ("zav41k.Source", item)), None,
                         Gio.DBusCallFlags.NONE, 2000, None).unpack()[0]


def start_office(workdir, extensions):
    profile = workdir / "profile" / "user"
    profile.mkdir(parents=True)
    # A French Calc: the locale that decides the decimal comma of the cells.
    (profile / "registrymodifications.xcu").write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<oor:items xmlns:oor="http://openoffice.org/2001/registry" '
        'xmlns:xs="http://www.w3.org/2001/XMLSchema">\n'
        '<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" '
        'oor:op="fuse"><value>fr-FR</value></prop></item>\n'
        '<item oor:path="/org.openoffice.Office.Linguistic/General"><prop '
        'oor:name="DefaultLocale" oor:op="fuse"><value>fr-FR</value></prop></item>\n'
        '</oor:items>\n')
    pipe = "zav41k_calc_%d" % os.getpid()
    office = subprocess.Popen(
        [SOFFICE, "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
         "-env:UserInstallation=" + (workdir / "profile").as_uri(),
         "-env:BUNDLED_EXTENSIONS=" + extensions.as_uri(),
         "--accept=pipe,name=%s;urp;" % pipe],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + 60
    while True:
        try:
            context = resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            break
        except Exception:
            if time.monotonic() > deadline or office.poll() is not None:
                raise SystemExit("LibreOffice did not start")
            time.sleep(0.2)
    desktop = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.Desktop", context)
    return office, desktop


def main():
    workdir = pathlib.Path(tempfile.mkdtemp(prefix="zav41k-calc-"))
    reader = workdir / "reader"
    (workdir / "config/ZAV41K").mkdir(parents=True)
    (workdir / "config/ZAV41K/ZAV41K.conf").write_text(
        "[Properties]\nCommPort=1\n\n[Ports]\nCom1=%s\n" % reader)
    simulator = subprocess.Popen([str(USR / "bin/zav41k-sim"), "--link", str(reader),
                                  "--file", "-", "--quiet"],
                                 stdin=subprocess.PIPE, text=True)
    wait_for(reader.exists, 10)
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    signals = Signals()
    program = start_program(workdir)
    check(wait_for(lambda: source_runs(bus), 20), "the program publishes")

    def send(record):
        simulator.stdin.write(record + "\n")
        simulator.stdin.flush()

    office, desktop = start_office(workdir, USR / "lib/libreoffice/share/extensions")
    hidden = PropertyValue()
    hidden.Name, hidden.Value = "Hidden", True
    document = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (hidden,))
    sheet = document.Sheets.getByIndex(0)
    # The names in any case, as typed by a user.
    formulas = {
        "A1": '=ZAV41K("zav41k";"data";"absorbance")',
        "B1": '=ZAV41K("ZAV41K";"Data";"Sequence")',
        "C1": '=ZAV41K("zav41k";"data";"WAVELENGTH")',
        "D1": '=ZAV41K("zav41k";"data";"status")',
        "E1": '=ZAV41K("zav41k";"data";"time")',
        "F1": '=ZAV41K("zav41k";"data";"errorcode")',
        "G1": "=A1*2",
        "H1": '=ZAV41K("zav41k";"data";"colour")',
    }
    for name, formula in formulas.items():
        sheet.getCellRangeByName(name).setFormula(formula)
    cell = sheet.getCellRangeByName
    check(cell("B1").getError() == 0, "the function is known: %s" % cell("B1").getFormula())
    check(cell("B1").getValue() == 0 and cell("A1").getString() == "",
          "before any record: sequence 0 and no absorbance, not %r %r"
          % (cell("B1").getString(), cell("A1").getString()))
    check(cell("C1").getValue() == 600, "before any record the wavelength is 600")
    # The program may say by now that no data comes, in French: the cell has what is published.
    check(wait_for(lambda: cell("F1").getString() == published(bus, "errorcode")
                   and cell("F1").getValue() == 0, 3),
          "errorcode %r as a text, as published" % cell("F1").getString())
    check(cell("H1").getError() == 502,
          "an item that does not exist is Err:502, not %d" % cell("H1").getError())

    # 50 records, each with a count of its own, one every 60 ms.
    counts = [100 + 37 * i for i in range(50)]
    first_seen_sequence = {}
    first_seen_absorbance = []
    polling = threading.Event()

    def poll():
        row = sheet.getCellRangeByName("A1:B1")
        last_absorbance = None
        while not polling.is_set():
            absorbance, sequence = row.getDataArray()[0]
            now = time.monotonic()
            if isinstance(sequence, float) and sequence not in first_seen_sequence:
                first_seen_sequence[sequence] = now
            if absorbance != last_absorbance:
                first_seen_absorbance.append((absorbance, now))
                last_absorbance = absorbance
            time.sleep(0.002)

    before = len(signals.taken())
    poller = threading.Thread(target=poll)
    poller.start()
    for i, count in enumerate(counts):
        send("%04d %d00" % (count, i % 2))
        time.sleep(0.06)
    wait_for(lambda: len(signals.taken()) >= before + 50, 5)
    time.sleep(0.3)
    polling.set()
    poller.join()

    taken = signals.taken()[before:]
    check(len(taken) == 50, "50 readings signalled, not %d" % len(taken))
    sequences = sorted(s for s in first_seen_sequence if s > 0)
    check(sequences == [float(n) for n in range(1, 51)],
          "the sequence cell showed every reading in order: %s" % sequences)
    latencies = []
    for arrived, fields in taken:
        seen = first_seen_sequence.get(float(fields[0]))
        if seen is not None:
            latencies.append(seen - arrived)
    ordered = [first_seen_sequence[s] for s in sequences]
    check(ordered == sorted(ordered), "the sequence cell's values came in order")
    absorbances = [value for value, _ in first_seen_absorbance if value != ""]
    check(absorbances == [count / 1000 for count in counts],
          "the absorbance cell showed every value in order, as numbers: %s" % absorbances[:8])
    for (value, seen), (arrived, fields) in zip(
            [(v, t) for v, t in first_seen_absorbance if v != ""], taken):
        latencies.append(seen - arrived)
    if latencies:
        latencies.sort()
        print("signal to cell: median %.1f ms, 90th %.1f ms" % (
            latencies[len(latencies) // 2] * 1000, latencies[len(latencies) * 9 // 10] * 1000))
        print("signal to cell: median %.1f ms, largest %.1f ms over %d changes"
              % (statistics.median(latencies) * 1000, max(latencies) * 1000, len(latencies)),
              flush=True)
        check(max(latencies) < LATENCY_LIMIT,
              "every change within 200 ms of its signal; the largest took %.0f ms"
              % (max(latencies) * 1000))
    last = counts[-1] / 1000
    check(cell("A1").getValue() == last and cell("G1").getValue() == last * 2,
          "the absorbance is a number that formulas use")
    check(cell("A1").getString() == ("%.3f" % last).replace(".", ","),
          "a French Calc shows it with a comma: %r" % cell("A1").getString())
    check(cell("C1").getValue() == 600 and cell("D1").getString() == "ok",
          "wavelength %r, status %r" % (cell("C1").getString(), cell("D1").getString()))
    check(abs(cell("E1").getValue() - uno_now(document)) < 5 / 86400,
          "the time is a Calc date-time of now: %r" % cell("E1").getValue())

    # Texts stay texts, in the program's language.
    send("0000 010")
    check(wait_for(lambda: cell("A1").getString() == "LO", 2), "LO arrives as text")
    check(cell("D1").getString() == "under-range", "the status says under range")
    check(wait_for(lambda: cell("F1").getString() == published(bus, "errorcode") != "0", 2),
          "the errorcode follows: %r" % cell("F1").getString())

    # Stopped: an error value; started again: followed again.
    program.send_signal(signal.SIGTERM)
    program.wait(10)
    # #N/A, which Calc numbers 32767.
    check(wait_for(lambda: cell("A1").getError() == 32767 and cell("B1").getError() == 32767, 3),
          "the cells show #N/A while the program is stopped, not %d" % cell("A1").getError())
    program = start_program(workdir)
    check(wait_for(lambda: source_runs(bus), 20), "the program publishes again")
    wait_for(lambda: cell("B1").getError() == 0, 3)
    send("1234 000")
    check(wait_for(lambda: cell("A1").getValue() == 1.234 and cell("B1").getValue() == 1, 3),
          "the cells follow the restarted program: %r %r"
          % (cell("A1").getString(), cell("B1").getString()))

    document.close(True)
    try:
        desktop.terminate()
    except Exception:
        pass  # the bridge goes with LibreOffice
    office.wait(30)
    program.send_signal(signal.SIGTERM)
    program.wait(10)
    simulator.terminate()
    simulator.wait(10)
    if failures:
        raise SystemExit("calc check: %d failures" % len(failures))
    print("calc check: live cells follow the readings", flush=True)


def uno_now(document):
    """Now as a Calc date-time of the document, by Calc's own NOW()."""
    sheet = document.Sheets.getByIndex(0)
    probe = sheet.getCellRangeByName("Z1")
    probe.setFormula("=NOW()")
    return probe.getValue()


if __name__ == "__main__":
    main()
