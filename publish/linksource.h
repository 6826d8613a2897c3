#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>

class IndicatorModel;
class ReadingModel;
struct Reading;

// Serves the main window's indicators to linked programs on the session bus, as read-only
// properties of one object, and passes every assignment to them on as a PropertiesChanged
// signal with that one item, in the order made, unchanged texts included. Beside the items,
// the same object serves the readings as typed values (zav41k.Reading1), with a Reading signal
// right after each record's item updates, which leave together with it. Linked programs can
// read; anything that would change the source is refused.
class LinkSource : public QDBusVirtualObject {
    Q_OBJECT

public:
    LinkSource(const IndicatorModel &indicators, const ReadingModel &readings,
               QObject *parent = nullptr);
    ~LinkSource() override;

    // Registers the object and asks for the bus name; while another source holds the name,
    // this one waits in the bus's queue and takes over when it goes. False when there is no
    // bus to publish on.
    bool publish(QDBusConnection connection);

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

signals:
    // Another process owns the bus name: every linked program gets its values, not these.
    void nameHeldByAnother(qint64 pid, const QString &program);
    // The name is this source's after all, once the other process let go of it.
    void nameTaken();

private:
    void onNameAcquired(const QString &name);

    void sendChange(const QString &item, const QString &text);
    void sendReading(const Reading &reading);
    void sendHeld();
    QString valueOf(const QString &item, bool *known) const;
    QString introspectionDocument() const;

    const IndicatorModel &m_indicators;
    const ReadingModel &m_readings;
    QDBusConnection m_connection;
    QList<QDBusMessage> m_held; // item updates waiting for their record's reading
    bool m_holding = false;     // between a record's beginning and its reading
    QString m_path;
    QString m_interface;
    bool m_waitingForName = false;
};
