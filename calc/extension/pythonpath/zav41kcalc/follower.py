"""Follows a running zav41k on the session bus from a thread of its own.

LibreOffice's own thread never waits for the bus: this thread keeps the source's items and
its latest reading, and tells its watchers of every change. The watchers are called
without the lock held, since they call into LibreOffice, which takes its own lock first when
it calls in here.
"""
import threading

from . import systemgi, values

if systemgi.load() is not None:
    from gi.repository import Gio, GLib


class Follower:
    def __init__(self):
        self._lock = threading.Lock()
        self._items = None
        self._reading = None
        self._watchers = []
        self._thread = None
        self._loop = None
        self._context = None
        self._ready = threading.Event()
        # Why nothing can be followed here, as a cell says it; None when all is there.
        self.missing = None if "Gio" in globals() else systemgi.MISSING

    # -- used from any thread

    def snapshot(self):
        with self._lock:
            return self._items, self._reading

    def watch(self, watcher):
        """Adds a callable(items, reading), started on the first; returns the current state."""
        with self._lock:
            self._watchers.append(watcher)
            start = self._thread is None and self.missing is None
            if start:
                self._ready.clear()
                self._thread = threading.Thread(target=self._run, name="zav41k-bus",
                                                daemon=True)
                self._thread.start()
        if start:
            # The first state, so that a new cell does not show the error for a moment; a
            # source that does not answer in time is taken up when it does.
            self._ready.wait(2.0)
        return self.snapshot()

    def unwatch(self, watcher):
        with self._lock:
            if watcher in self._watchers:
                self._watchers.remove(watcher)
            last = not self._watchers
        if last:
            self.stop()

    def stop(self):
        with self._lock:
            thread, loop, context = self._thread, self._loop, self._context
            self._thread = None
        if thread is None:
            return
        if loop is not None:
            context.invoke_full(GLib.PRIORITY_HIGH, lambda: loop.quit() and False)
        if thread is not threading.current_thread():
            thread.join(2.0)

    # -- the bus thread

    def _run(self):
        context = GLib.MainContext()
        context.push_thread_default()
        loop = GLib.MainLoop(context)
        with self._lock:
            self._loop, self._context = loop, context
        try:
            address = Gio.dbus_address_get_for_bus_sync(Gio.BusType.SESSION, None)
            flags = (Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                     | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
            connection = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
        except GLib.Error:
            # No session bus: the cells show the error value.
            self._ready.set()
            context.pop_thread_default()
            return
        connection.set_exit_on_close(False)
        subscriptions = [
            connection.signal_subscribe(values.SERVICE, values.READING_INTERFACE, "Reading",
                                        values.PATH, None, Gio.DBusSignalFlags.NONE,
                                        self._on_reading),
            connection.signal_subscribe(values.SERVICE, "org.freedesktop.DBus.Properties",
                                        "PropertiesChanged", values.PATH,
                                        values.ITEMS_INTERFACE, Gio.DBusSignalFlags.NONE,
                                        self._on_items),
        ]
        watch = Gio.bus_watch_name_on_connection(connection, values.SERVICE,
                                                 Gio.BusNameWatcherFlags.NONE,
                                                 self._on_appeared, self._on_vanished)
        loop.run()
        Gio.bus_unwatch_name(watch)
        for subscription in subscriptions:
            connection.signal_unsubscribe(subscription)
        connection.close_sync(None)
        with self._lock:
            self._loop = self._context = None
        context.pop_thread_default()

    def _on_appeared(self, connection, name, owner):
        pending = {}

        def got(interface):
            def done(source, result):
                try:
                    reply = connection.call_finish(result).unpack()[0]
                except GLib.Error:
                    # Gone again: the vanished call follows.
                    self._ready.set()
                    return
                pending[interface] = reply
                if len(pending) == 2:
                    reading = {key: pending[values.READING_INTERFACE][key]
                               for key in values.READING_FIELDS}
                    self._change(dict(pending[values.ITEMS_INTERFACE]), reading)
                    self._ready.set()
            return done

        # Asynchronous, so that the replies and the signals are taken in the order sent.
        for interface in (values.ITEMS_INTERFACE, values.READING_INTERFACE):
            connection.call(owner, values.PATH, "org.freedesktop.DBus.Properties", "GetAll",
                            GLib.Variant("(s)", (interface,)), None, Gio.DBusCallFlags.NONE,
                            5000, None, got(interface))

    def _on_vanished(self, connection, name):
        self._change(None, None, replace=True)
        self._ready.set()

    def _on_reading(self, connection, sender, path, interface, signal, parameters):
        reading = dict(zip(values.READING_FIELDS, parameters.unpack()))
        with self._lock:
            items = self._items
        if items is not None:
            self._change(items, reading)

    def _on_items(self, connection, sender, path, interface, signal, parameters):
        _, changed, _ = parameters.unpack()
        with self._lock:
            if self._items is None:
                return
            items = dict(self._items)
            reading = self._reading
        items.update(changed)
        self._change(items, reading)

    def _change(self, items, reading, replace=False):
        with self._lock:
            self._items, self._reading = items, reading
            watchers = list(self._watchers)
        for watcher in watchers:
            watcher(items, reading)
