"""What the spreadsheet checks share: the installed programs, a headless Calc, the bus.

USR is the unpacked package's /usr. Run on a private session bus.
"""
import atexit
import faulthandler
import os
import pathlib
import signal
import subprocess
import tempfile
import threading
import time

USR = pathlib.Path(os.environ["USR"])
EXTENSION = USR / "lib/libreoffice/share/extensions/zav41k"
# This process takes the extension's objects over the bridge, so it needs their types
# besides LibreOffice's own; a bootstrap variable in the environment wins over unorc's,
# and it is read when uno is imported.
os.environ["UNO_TYPES"] = " ".join(
    ["file:///usr/lib/libreoffice/program/types.rdb",
     "<file:///usr/lib/libreoffice/program/types>*"]
    + [rdb.as_uri() for rdb in sorted(EXTENSION.glob("*.rdb"))])

import gi  # noqa: E402

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

import uno  # noqa: E402
from com.sun.star.beans import PropertyValue  # noqa: E402

SOFFICE = "/usr/lib/libreoffice/program/soffice"
failures = []
_children = []


def spawn(command, **options):
    """A child in a process group of its own, ended with everything it started when this
    script ends, however it ends, so that no child holds the caller's output open."""
    # The types above are this process's; LibreOffice finds its extensions' own.
    env = dict(options.pop("env", os.environ))
    env.pop("UNO_TYPES", None)
    child = subprocess.Popen(command, start_new_session=True, env=env, **options)
    _children.append(child)
    return child


@atexit.register
def _end_children():
    for child in _children:
        try:
            os.killpg(child.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def time_limit(seconds):
    """Ends a check that hangs, saying where each thread was, rather than leaving the stage
    to wait; a thread of its own, since the main one may be waiting inside LibreOffice."""
    def expire():
        time.sleep(seconds)
        print("calc check: no end after %d s; the threads were here:" % seconds, flush=True)
        faulthandler.dump_traceback(all_threads=True)
        _end_children()
        os._exit(1)

    threading.Thread(target=expire, daemon=True).start()


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


def start_program(workdir, language="fr"):
    lang = {"fr": "fr_FR.UTF-8", "en": "C.UTF-8"}[language]
    env = dict(os.environ, LANG=lang, LANGUAGE=language, QT_QPA_PLATFORM="offscreen",
               XDG_CONFIG_HOME=str(workdir / "config"))
    return spawn([str(USR / "bin/zav41k")], env=env, stderr=subprocess.DEVNULL)


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


def _setting(path, name, value):
    return ('<item oor:path="%s"><prop oor:name="%s" oor:op="fuse"><value>%s</value></prop>'
            '</item>\n' % (path, name, value))


def start_office(workdir, extensions, locale="fr-FR", headless=True):
    """A Calc whose locale (which decides the decimal comma of the cells) and language are
    `locale`, headless or on the display in DISPLAY."""
    profile = workdir / "profile" / "user"
    profile.mkdir(parents=True)
    (profile / "registrymodifications.xcu").write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<oor:items xmlns:oor="http://openoffice.org/2001/registry" '
        'xmlns:xs="http://www.w3.org/2001/XMLSchema">\n'
        + _setting("/org.openoffice.Setup/L10N", "ooSetupSystemLocale", locale)
        + _setting("/org.openoffice.Setup/L10N", "ooLocale", locale)
        + _setting("/org.openoffice.Office.Linguistic/General", "DefaultLocale", locale)
        + _setting("/org.openoffice.Office.Linguistic/General", "UILocale", locale)
        # No first-start dialog or tips over the sheet.
        + _setting("/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false")
        + _setting("/org.openoffice.Office.Common/Misc", "FirstRun", "false")
        + '</oor:items>\n')
    first_path = os.environ.get("ZAV41K_CALC_FIRST_START_PATH")
    if first_path:
        # A first start with another PATH on the same profile, ended at once: what it
        # registers must not spoil the start after it.
        office, context, desktop = _connect(workdir, extensions, headless,
                                            dict(os.environ, PATH=first_path))
        print("a first start with PATH=%s has the recorder: %s" % (first_path, _has_recorder(
            context)), flush=True)
        desktop.terminate()
        office.wait(30)
    return _connect(workdir, extensions, headless, os.environ)


def _has_recorder(context):
    try:
        return context.ServiceManager.createInstanceWithContext(
            "org.zav41k.calc.Recorder", context) is not None
    except Exception:
        return False


def _connect(workdir, extensions, headless, env):
    pipe = "zav41k_calc_%d_%d" % (os.getpid(), len(_children))
    mode = ["--headless", "--invisible"] if headless else []
    office = spawn(
        [SOFFICE] + mode + ["--norestore", "--nologo", "--nodefault",
         "-env:UserInstallation=" + (workdir / "profile").as_uri(),
         "-env:BUNDLED_EXTENSIONS=" + extensions.as_uri(),
         "--accept=pipe,name=%s;urp;" % pipe],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
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
    return office, context, desktop


class Line:
    """The simulator on a pseudo-terminal and the program reading it; in French unless told."""

    def __init__(self, language="fr"):
        self.language = language
        self.workdir = pathlib.Path(tempfile.mkdtemp(prefix="zav41k-calc-"))
        reader = self.workdir / "reader"
        (self.workdir / "config/ZAV41K").mkdir(parents=True)
        (self.workdir / "config/ZAV41K/ZAV41K.conf").write_text(
            "[Properties]\nCommPort=1\n\n[Ports]\nCom1=%s\n" % reader)
        self.simulator = spawn([str(USR / "bin/zav41k-sim"), "--link", str(reader),
                                "--file", "-", "--quiet"], stdin=subprocess.PIPE, text=True)
        wait_for(reader.exists, 10)
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.signals = Signals()
        self.program = start_program(self.workdir, language)
        check(wait_for(lambda: source_runs(self.bus), 20), "the program publishes")

    def send(self, record):
        self.simulator.stdin.write(record + "\n")
        self.simulator.stdin.flush()

    def start_program(self):
        self.program = start_program(self.workdir, self.language)
        check(wait_for(lambda: source_runs(self.bus), 20), "the program publishes again")

    def stop_program(self):
        self.program.send_signal(signal.SIGTERM)
        self.program.wait(10)

    def close(self):
        self.stop_program()
        self.simulator.terminate()
        self.simulator.wait(10)


class Bench(Line):
    """The line, and a Calc with the package's extension and a new sheet."""

    def __init__(self, language="fr", headless=True):
        super().__init__(language)
        self.office, self.context, self.desktop = start_office(
            self.workdir, USR / "lib/libreoffice/share/extensions",
            {"fr": "fr-FR", "en": "en-US"}[language], headless)
        self.document = self.new_document(hidden=headless)
        self.sheet = self.document.Sheets.getByIndex(0)

    def new_document(self, hidden=True):
        option = PropertyValue()
        option.Name, option.Value = "Hidden", hidden
        return self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                                 (option,))

    def close(self):
        try:
            self.document.close(True)
        except Exception:
            pass  # closed by the check
        try:
            self.desktop.terminate()
        except Exception:
            pass  # the bridge goes with LibreOffice
        self.office.wait(30)
        super().close()


def finish(what):
    if failures:
        raise SystemExit("calc check: %d failures" % len(failures))
    print("calc check:", what, flush=True)


def uno_now(document):
    """Now as a Calc date-time of the document, by Calc's own NOW()."""
    sheet = document.Sheets.getByIndex(0)
    probe = sheet.getCellRangeByName("Z1")
    probe.setFormula("=NOW()")
    return probe.getValue()
