#include "link/serialcommcontrol.h"

#include "link/lineerrors.h"
#include "resources/failuretexts.h"

#include <QElapsedTimer>

namespace {
// How long one pass of the event loop raises waiting events before it lets the loop run its
// timers and paint the window.
constexpr qint64 kDispatchSliceMs = 4;
} // namespace

SerialCommControl::SerialCommControl(DeviceResolver resolver, QObject *parent)
    : CommControl(parent)
    , m_resolver(std::move(resolver))
{
    Q_ASSERT(m_resolver);
    m_reconnectTimer.setInterval(kReconnectIntervalMs);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &SerialCommControl::tryReconnect);
}

SerialCommControl::~SerialCommControl()
{
    detach();
}

Outcome<qint16> SerialCommControl::CommPort() const
{
    return m_commPort;
}

Status SerialCommControl::setCommPort(qint16 port)
{
    if (m_portOpen)
        return Failure{Failure::PortAlreadyOpen, FailureTexts::portAlreadyOpen()};
    if (port < 1 || port > 255)
        return Failure{Failure::InvalidPropertyValue,
                       FailureTexts::invalidPropertyValue("CommPort", port)};
    m_commPort = port;
    return {};
}

Outcome<QString> SerialCommControl::Settings() const
{
    return m_settings.toString();
}

Status SerialCommControl::setSettings(const QString &settings)
{
    const Outcome<LineSettings> parsed = LineSettings::parse(settings);
    if (!parsed)
        return parsed.failure();
    const LineSettings previous = m_settings;
    m_settings = parsed.value();
    const Status applied = m_device.configure(lineOptions());
    if (!applied)
        m_settings = previous;
    return applied;
}

Outcome<qint16> SerialCommControl::RThreshold() const
{
    return m_rThreshold;
}

Status SerialCommControl::setRThreshold(qint16 count)
{
    if (count < 0)
        return Failure{Failure::InvalidPropertyValue,
                       FailureTexts::invalidPropertyValue("RThreshold", count)};
    m_rThreshold = count;
    queueReceiveIfWaiting();
    return {};
}

Outcome<qint16> SerialCommControl::InputLen() const
{
    return m_inputLen;
}

Status SerialCommControl::setInputLen(qint16 count)
{
    if (count < 0)
        return Failure{Failure::InvalidPropertyValue,
                       FailureTexts::invalidPropertyValue("InputLen", count)};
    m_inputLen = count;
    return {};
}

Outcome<qint32> SerialCommControl::Handshaking() const
{
    return m_handshaking;
}

Status SerialCommControl::setHandshaking(qint32 mode)
{
    if (mode < 0 || mode > 3)
        return Failure{Failure::InvalidPropertyValue,
                       FailureTexts::invalidPropertyValue("Handshaking", mode)};
    const qint32 previous = m_handshaking;
    m_handshaking = mode;
    const Status applied = m_device.configure(lineOptions());
    if (!applied)
        m_handshaking = previous;
    return applied;
}

Outcome<bool> SerialCommControl::DTREnable() const
{
    return m_dtrEnable;
}

Status SerialCommControl::setDTREnable(bool enable)
{
    m_dtrEnable = enable;
    return m_device.configure(lineOptions());
}

Outcome<bool> SerialCommControl::PortOpen() const
{
    return m_portOpen;
}

Status SerialCommControl::setPortOpen(bool open)
{
    if (!open) {
        if (m_portOpen)
            emit lineInterrupted();
        detach();
        m_reconnectTimer.stop();
        m_received.clear();
        m_events.clear();
        m_receiveQueued = false;
        m_portOpen = false;
        return {};
    }
    if (m_portOpen)
        return Failure{Failure::PortAlreadyOpen, FailureTexts::portAlreadyOpen()};
    const Outcome<QString> path = m_resolver(m_commPort);
    if (!path)
        return path.failure();
    m_received.clear();
    m_events.clear();
    m_receiveQueued = false;
    const Status attached = attach(path.value());
    if (!attached)
        return attached;
    m_openedPath = path.value();
    m_portOpen = true;
    return {};
}

Outcome<qint16> SerialCommControl::CommEvent() const
{
    return m_commEvent;
}

Outcome<QByteArray> SerialCommControl::Input()
{
    if (!m_portOpen)
        return Failure{Failure::PortNotOpen, FailureTexts::portNotOpen()};
    const qsizetype count =
        m_inputLen == 0 ? m_received.size() : qMin<qsizetype>(m_inputLen, m_received.size());
    const QByteArray taken = m_received.left(count);
    m_received.remove(0, count);
    if (m_notifier && !m_notifier->isEnabled())
        m_notifier->setEnabled(true);
    queueReceiveIfWaiting();
    return taken;
}

TtyDevice::LineOptions SerialCommControl::lineOptions() const
{
    return {m_settings, m_handshaking, m_dtrEnable};
}

Status SerialCommControl::attach(const QString &path)
{
    const Status opened = m_device.open(m_commPort, path, lineOptions());
    if (!opened)
        return opened;
    m_notifier = new QSocketNotifier(m_device.fd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SerialCommControl::onReadable);
    return {};
}

void SerialCommControl::detach()
{
    // Detaching can happen inside the notifier's own signal: disable it now, delete it later.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    m_device.close();
}

void SerialCommControl::onReadable()
{
    const qsizetype room = kReceiveBufferSize - m_received.size();
    if (room <= 0) {
        // Leave the rest in the kernel until Input makes room.
        m_notifier->setEnabled(false);
        return;
    }
    TtyDevice::ErrorCounts errors;
    const TtyDevice::ReadResult result = m_device.read(m_received, room, errors);
    if (result == TtyDevice::ReadResult::Gone) {
        onDeviceLost();
        return;
    }
    m_reading = true;
    queueReceiveIfWaiting();
    for (const qint16 code : LineErrors::events(errors))
        queueEvent(code);
    m_reading = false;
    if (m_received.size() >= kReceiveBufferSize)
        m_notifier->setEnabled(false);
    if (m_events.isEmpty() || m_dispatchScheduled)
        return;
    // The notifier's callback is already an event of the loop: when no handler runs and
    // nothing waits before them, the events are raised from here. Posting one more event per
    // byte of the line cost as much as decoding the record.
    if (m_dispatching > 0) {
        scheduleDispatch();
        return;
    }
    m_dispatchScheduled = true;
    dispatchNext();
}

void SerialCommControl::onDeviceLost()
{
    // Stop watching at once: a hung-up descriptor stays readable forever.
    detach();
    m_reconnectTimer.start();
    emit lineInterrupted();
}

void SerialCommControl::tryReconnect()
{
    if (!m_portOpen) {
        m_reconnectTimer.stop();
        return;
    }
    if (attach(m_openedPath))
        m_reconnectTimer.stop();
}

void SerialCommControl::queueEvent(qint16 code)
{
    m_events.enqueue(code);
    scheduleDispatch();
}

void SerialCommControl::queueReceiveIfWaiting()
{
    if (m_receiveQueued || m_rThreshold <= 0 || m_received.size() < m_rThreshold)
        return;
    m_receiveQueued = true;
    queueEvent(CommEventCode::Receive);
}

void SerialCommControl::scheduleDispatch()
{
    if (m_dispatchScheduled || m_reading)
        return;
    m_dispatchScheduled = true;
    QMetaObject::invokeMethod(this, &SerialCommControl::dispatchNext, Qt::QueuedConnection);
}

// Raises the waiting events one after another, as long as each handler returns: a trip
// through the event loop for each of a burst's records cost more than decoding it. A queued
// call stays ahead of them all the while, so that events go on arriving while a handler waits
// in a message box, and the rest go on in the next pass once a slice of time is used up.
void SerialCommControl::dispatchNext()
{
    m_dispatchScheduled = false;
    QElapsedTimer slice;
    slice.start();
    while (!m_events.isEmpty()) {
        if (slice.hasExpired(kDispatchSliceMs)) {
            scheduleDispatch();
            return;
        }
        const qint16 code = m_events.dequeue();
        if (code == CommEventCode::Receive)
            m_receiveQueued = false;
        if (!m_events.isEmpty())
            scheduleDispatch();
        m_commEvent = code;
        ++m_dispatching;
        emit OnComm();
        --m_dispatching;
    }
}
