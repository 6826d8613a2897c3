#include "publish/sessionbus.h"

#include <QDBusError>
#include <QTextStream>

SessionBus::SessionBus(QString program, Losses losses, QObject *parent)
    : QObject(parent)
    , m_program(std::move(program))
    , m_losses(losses)
    , m_address(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"))
{
    m_timer.setInterval(kRetryIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &SessionBus::check);
}

SessionBus::~SessionBus()
{
    if (!m_name.isEmpty())
        QDBusConnection::disconnectFromBus(m_name);
}

bool SessionBus::start()
{
    m_timer.start();
    return tryConnect();
}

bool SessionBus::isConnected() const
{
    return !m_name.isEmpty() && QDBusConnection(m_name).isConnected();
}

QDBusConnection SessionBus::connection() const
{
    return QDBusConnection(m_name);
}

bool SessionBus::tryConnect()
{
    // A connection that was lost cannot be used again: each try is a new one, under a new name.
    // Each SessionBus of a process has a name prefix of its own.
    static int buses = 0;
    if (m_connectionPrefix.isEmpty())
        m_connectionPrefix = QStringLiteral("%1-%2").arg(m_program).arg(++buses);
    const QString name = QStringLiteral("%1-session-%2").arg(m_connectionPrefix).arg(++m_attempts);
    // By the address itself where it is known: the bus library would keep the first address it
    // saw for the whole process.
    QDBusConnection bus = m_address.isEmpty()
                              ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                              : QDBusConnection::connectToBus(m_address, name);
    if (!bus.isConnected()) {
        m_lastError = bus.lastError().message();
        QDBusConnection::disconnectFromBus(name);
        return false;
    }
    m_name = name;
    if (m_lossReported)
        say(QStringLiteral("the session bus is back"));
    m_lossReported = false;
    m_everConnected = true;
    emit connected(bus);
    return true;
}

void SessionBus::check()
{
    if (isConnected())
        return;
    if (!m_name.isEmpty()) {
        QDBusConnection::disconnectFromBus(m_name);
        m_name.clear();
    }
    if (m_everConnected && !m_lossReported) {
        say(QStringLiteral("the session bus is gone; trying again every second"));
        m_lossReported = true;
    }
    tryConnect();
}

void SessionBus::say(const QString &line) const
{
    if (m_losses == Losses::Unsaid)
        return;
    QTextStream(stderr) << m_program << ": " << line << Qt::endl;
}
