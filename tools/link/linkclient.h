#pragma once

#include "publish/itemfollower.h"
#include "publish/linkaddress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QTextStream>

// A link to a source's items: asks for a value once, or follows the items and prints one line
// for every update (a hot link, with the value) or only which item changed (a warm link).
class LinkClient : public QObject {
    Q_OBJECT

public:
    enum class Mode { Hot, Warm };
    enum class Format { Tabs, Csv };

    LinkClient(QDBusConnection connection, QTextStream &out, QTextStream &err);

    // The current value; false (with a message) when the source is not running or has no such
    // item.
    bool request(const LinkAddress &address);
    // Follows the items until the program is stopped, waiting for the source if it is not
    // running yet and picking it up again if it restarts.
    bool follow(const QList<LinkAddress> &addresses, Mode mode, Format format);
    // Goes on following on a new connection, once the bus is back.
    void rebind(const QDBusConnection &connection);

signals:
    // The values could not be printed: the program ends, with the message said.
    void failed();

private:
    void print(const QString &item, const QString &value);
    // Whether what was printed went out; says so when it did not.
    bool wrote();

    QDBusConnection m_connection;
    ItemFollower m_follower;
    QTextStream &m_out;
    QTextStream &m_err;
    Mode m_mode = Mode::Hot;
    Format m_format = Format::Tabs;
};
