"""Follows a running zav41k on the session bus from a thread of its own.

LibreOffice's own thread never waits for the bus: this thread keeps the source's items and
its latest reading, and tells its watchers of every change. The watchers are called
without the lock held, since they call into LibreOffice, which takes its own lock first when
it calls in here.
"""
import math
import threading

from . import systemgi, values

if systemgi.load() is not None:
    from gi.repository import Gio, GLib


class Follower:
    def __init__(self):
        self._lock = threading.Lock()
        self._items = None
        self._reading = None
        # (watcher, needs_texts) pairs; needs_texts(reading) says whether the watcher can
        # change with the window's texts alone.
        self._watchers = []
        self._thread = None
        self._loop = None
        self._context = None
        self._ready = threading.Event()
        # The bus thread's own: the connection, the source's unique name, the subscription to
        # the texts while one is needed, and the readings that wait for the texts.
        self._connection = None
        self._owner = None
        self._texts = None
        self._waiting = None
        # Why nothing can be followed here, as a cell says it; None when all is there.
        self.missing = None if "Gio" in globals() else systemgi.MISSING

    # -- used from any thread

    def snapshot(self):
        with self._lock:
            return self._items, self._reading

    def watch(self, watcher, needs_texts=lambda reading: True):
        """Adds a callable(items, reading), started on the first; returns the current state.
        `needs_texts(reading)` says whether the watcher can change with the window's texts
        alone while `reading` is the latest."""
        with self._lock:
            self._watchers.append((watcher, needs_texts))
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
        else:
            self._on_bus_thread(self._follow_texts_as_needed)
        return self.snapshot()

    def unwatch(self, watcher):
        with self._lock:
            for entry in self._watchers:
                if entry[0] == watcher:
                    self._watchers.remove(entry)
                    break
            last = not self._watchers
        if last:
            self.stop()
        else:
            self._on_bus_thread(self._follow_texts_as_needed)

    def later(self, seconds, call):
        """Calls `call` on the bus thread after `seconds`; returns the GLib source, which
        `destroy()` takes back, or None while the thread does not run."""
        with self._lock:
            context = self._context
        if context is None:
            return None
        source = GLib.timeout_source_new(max(1, math.ceil(seconds * 1000)))
        source.set_callback(lambda *unused: call() and False)
        source.attach(context)
        return source

    def _on_bus_thread(self, call):
        with self._lock:
            context = self._context
        if context is not None:
            context.invoke_full(GLib.PRIORITY_DEFAULT, lambda: call() and False)

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
        self._connection = connection
        readings = connection.signal_subscribe(values.SERVICE, values.READING_INTERFACE,
                                               "Reading", values.PATH, None,
                                               Gio.DBusSignalFlags.NONE, self._on_reading)
        self._follow_texts_as_needed()
        watch = Gio.bus_watch_name_on_connection(connection, values.SERVICE,
                                                 Gio.BusNameWatcherFlags.NONE,
                                                 self._on_appeared, self._on_vanished)
        loop.run()
        Gio.bus_unwatch_name(watch)
        connection.signal_unsubscribe(readings)
        self._set_texts_followed(False)
        # A follower started again meets the source anew.
        self._connection = self._owner = self._waiting = None
        connection.close_sync(None)
        with self._lock:
            self._loop = self._context = None
        context.pop_thread_default()

    # -- the texts, followed only while a watcher needs them: three of a record's four signals

    def _follow_texts_as_needed(self, waiting=None):
        with self._lock:
            reading = self._reading
            needed = any(needs(reading) for _, needs in self._watchers)
        self._set_texts_followed(needed, waiting)

    def _set_texts_followed(self, needed, waiting=None):
        if self._connection is None or needed == (self._texts is not None):
            return
        if not needed:
            self._connection.signal_unsubscribe(self._texts)
            self._texts = None
            return
        self._texts = self._connection.signal_subscribe(
            values.SERVICE, "org.freedesktop.DBus.Properties", "PropertiesChanged", values.PATH,
            values.ITEMS_INTERFACE, Gio.DBusSignalFlags.NONE, self._on_items)
        if self._owner is not None:
            self._refresh_texts(waiting or [])

    def _refresh_texts(self, waiting):
        """Asks for the texts, which may have changed while they were not followed; readings
        that come meanwhile wait for the answer, so that each meets the texts of its time."""
        self._waiting = waiting
        owner = self._owner

        def done(source, result):
            if self._owner != owner or self._waiting is not waiting:
                return  # the source went meanwhile: its appearance asks again
            self._waiting = None
            try:
                texts = dict(self._connection.call_finish(result).unpack()[0])
            except GLib.Error:
                texts = None  # gone: the vanished call follows
            with self._lock:
                items = texts if texts is not None else self._items
                reading = self._reading
            if items is None:
                return
            for each in waiting or [reading]:
                self._change(items, each)
            self._follow_texts_as_needed()

        self._connection.call(owner, values.PATH, "org.freedesktop.DBus.Properties", "GetAll",
                              GLib.Variant("(s)", (values.ITEMS_INTERFACE,)), None,
                              Gio.DBusCallFlags.NONE, 5000, None, done)

    # -- the source

    def _on_appeared(self, connection, name, owner):
        self._owner = owner
        self._waiting = None
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
                    self._follow_texts_as_needed()
            return done

        # Asynchronous, so that the replies and the signals are taken in the order sent.
        for interface in (values.ITEMS_INTERFACE, values.READING_INTERFACE):
            connection.call(owner, values.PATH, "org.freedesktop.DBus.Properties", "GetAll",
                            GLib.Variant("(s)", (interface,)), None, Gio.DBusCallFlags.NONE,
                            5000, None, got(interface))

    def _on_vanished(self, connection, name):
        self._owner = None
        self._waiting = None
        self._change(None, None, replace=True)
        self._ready.set()

    def _on_reading(self, connection, sender, path, interface, signal, parameters):
        reading = dict(zip(values.READING_FIELDS, parameters.unpack()))
        if self._waiting is not None:
            self._waiting.append(reading)
            return
        with self._lock:
            items = self._items
            needed = any(needs(reading) for _, needs in self._watchers)
        if items is None:
            return
        if needed and self._texts is None:
            self._set_texts_followed(True, waiting=[reading])
            return
        self._change(items, reading)
        if not needed:
            self._set_texts_followed(False)

    def _on_items(self, connection, sender, path, interface, signal, parameters):
        if self._waiting is not None:
            return  # the answer that is awaited has this change too
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
            watchers = [watcher for watcher, _ in self._watchers]
        for watcher in watchers:
            watcher(items, reading)
