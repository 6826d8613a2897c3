#pragma once

#include "publish/readinginterfacexml.h"

#include <QString>

// The D-Bus interfaces that each of the program's objects answers besides its own.
inline const QString kIntrospectableInterface =
    QStringLiteral("org.freedesktop.DBus.Introspectable");
inline const QString kPeerInterface = QStringLiteral("org.freedesktop.DBus.Peer");

// The start of the XML that describes each of the program's objects: the doctype of the
// installed interface file, then the two D-Bus interfaces above.
inline QString introspectionPreamble()
{
    return QLatin1String(ReadingInterface::kDoctype) +
           QStringLiteral("<node>\n"
                          "  <interface name=\"org.freedesktop.DBus.Introspectable\">\n"
                          "    <method name=\"Introspect\"><arg name=\"xml\" type=\"s\" "
                          "direction=\"out\"/></method>\n"
                          "  </interface>\n"
                          "  <interface name=\"org.freedesktop.DBus.Peer\">\n"
                          "    <method name=\"Ping\"/>\n"
                          "  </interface>\n");
}
