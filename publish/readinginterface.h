#pragma once

#include "common/outcome.h"
#include "common/reading.h"

#include <QDBusMessage>
#include <QVariantMap>

// The readings on the session bus: interface zav41k.Reading1 of the source's object, with a
// typed property for every field of the latest reading and one Reading signal per reading.
// The interface's description is the installed zav41k.Reading1.xml.
namespace ReadingInterface {

inline constexpr char kName[] = "zav41k.Reading1";
inline constexpr char kSignal[] = "Reading";
// The signal's signature, one type per field.
QString signature();

// The <interface> element, as Introspect gives it.
QString introspection();

QVariantMap properties(const Reading &reading);
// One property, typed as the interface says; an invalid QVariant for an unknown name.
QVariant property(const Reading &reading, const QString &name);

QDBusMessage signal(const QString &path, const Reading &reading);
// The reading that a Reading signal carries; fails on one that does not fit the interface.
Outcome<Reading> fromSignal(const QDBusMessage &message);

} // namespace ReadingInterface
