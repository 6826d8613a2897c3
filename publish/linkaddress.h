#pragma once

#include "common/outcome.h"

#include <QString>

// Where a link to an item goes on the session bus. The link names that users know (the
// application, the topic and the item, as the About box shows them) map mechanically:
// application A, topic T, item I -> bus name A.Source, object path /T, interface A.Source,
// property I.
struct LinkAddress {
    QString service;
    QString path;
    QString interface;
    QString property;

    static Outcome<LinkAddress> fromLinkNames(const QString &application, const QString &topic,
                                              const QString &item);
    // The program's own source, for one of its items.
    static LinkAddress ofItem(const QString &item);
};
