#pragma once

#include "common/outcome.h"
#include "publish/linkaddress.h"

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QStringList>

// The link names a user types, matched without regard to case, as the source spells them:
// "ZAV41K DATA Absorbance" links to zav41k, data, absorbance. A topic or an item that the
// source does not have is refused with the names it has.
class LinkNameResolver {
public:
    // What a source offers: its application name, and for each topic its items.
    struct Catalogue {
        QString application;
        QList<std::pair<QString, QStringList>> topics;
    };

    explicit LinkNameResolver(QDBusConnection connection);

    // The addresses of `items`. The running source is asked what it offers; while none runs,
    // this program's own names stand for it, and other applications are taken as typed.
    Outcome<QList<LinkAddress>> resolve(const QString &application, const QString &topic,
                                        const QStringList &items) const;

    // The names of `catalogue` that the typed names stand for.
    static Outcome<QList<LinkAddress>> match(const Catalogue &catalogue, const QString &topic,
                                             const QStringList &items);
    // This program's own names.
    static Catalogue ownCatalogue();

private:
    // The running source's bus name whose application matches `application`, or empty.
    QString runningService(const QString &application) const;
    Catalogue askSource(const QString &service) const;
    QString introspect(const QString &service, const QString &path) const;

    QDBusConnection m_connection;
};
