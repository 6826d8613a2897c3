#pragma once

#include <QString>

// The start of every object's introspection XML: the doctype and the interfaces that
// each of the program's objects answers besides its own (Introspectable, Peer).
inline QString introspectionPreamble()
{
    return QStringLiteral(
        "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n"
        "<node>\n"
        "  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
        "    <method name=\"Introspect\"><arg name=\"xml\" type=\"s\" "
        "direction=\"out\"/></method>\n"
        "  </interface>\n"
        "  <interface name=\"org.freedesktop.DBus.Peer\">\n"
        "    <method name=\"Ping\"/>\n"
        "  </interface>\n");
}
