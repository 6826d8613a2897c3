#!/usr/bin/python3
"""Prints the current absorbance of a running zav41k, then every reading as it arrives."""
from gi.repository import Gio, GLib

NAME, PATH, INTERFACE = "zav41k.Source", "/data", "zav41k.Source"
bus = Gio.bus_get_sync(Gio.BusType.SESSION)

current = bus.call_sync(NAME, PATH, "org.freedesktop.DBus.Properties", "Get",
                        GLib.Variant("(ss)", (INTERFACE, "absorbance")),
                        GLib.VariantType("(v)"), Gio.DBusCallFlags.NONE, 1000)
print("absorbance now:", current.unpack()[0], flush=True)


def changed(connection, sender, path, interface, signal, parameters):
    _, values, _ = parameters.unpack()
    for item, value in values.items():
        print(item, value, flush=True)


# Each item's new text arrives in its own signal, in the order the program sets them.
bus.signal_subscribe(NAME, "org.freedesktop.DBus.Properties", "PropertiesChanged", PATH,
                     INTERFACE, Gio.DBusSignalFlags.NONE, changed)
GLib.MainLoop().run()
