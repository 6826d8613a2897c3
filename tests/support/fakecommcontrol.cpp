#include "support/fakecommcontrol.h"

using namespace Qt::StringLiterals;

Status FakeCommControl::check(const char *operation) const
{
    const QString name = QString::fromLatin1(operation);
    calls.append(name);
    if (failing.contains(name) || failingOnce.remove(name))
        return Failure{Failure::DeviceError, failureText};
    return {};
}

#define FAKE_PROPERTY(Type, Name, member)                                                          \
    Outcome<Type> FakeCommControl::Name() const                                                    \
    {                                                                                              \
        const Status status = check(#Name);                                                        \
        if (!status)                                                                               \
            return status.failure();                                                               \
        return member;                                                                             \
    }                                                                                              \
    Status FakeCommControl::set##Name(Type value)                                                  \
    {                                                                                              \
        const Status status = check("set" #Name);                                                  \
        if (status)                                                                                \
            member = value;                                                                        \
        return status;                                                                             \
    }

FAKE_PROPERTY(qint16, RThreshold, m_rThreshold)
FAKE_PROPERTY(qint16, InputLen, m_inputLen)
FAKE_PROPERTY(qint32, Handshaking, m_handshaking)
FAKE_PROPERTY(bool, DTREnable, m_dtrEnable)

#undef FAKE_PROPERTY

Outcome<qint16> FakeCommControl::CommPort() const
{
    const Status status = check("CommPort");
    if (!status)
        return status.failure();
    return m_commPort;
}

// Like the real control: no port 0, and no change of number while open.
Status FakeCommControl::setCommPort(qint16 port)
{
    const Status status = check("setCommPort");
    if (!status)
        return status;
    if (port < 1 || port > 255 || m_portOpen)
        return Failure{Failure::InvalidPropertyValue, u"invalid port"_s};
    m_commPort = static_cast<qint16>(port + renumberBy);
    return {};
}

Outcome<bool> FakeCommControl::PortOpen() const
{
    const Status status = check("PortOpen");
    if (!status)
        return status.failure();
    return m_portOpen;
}

Status FakeCommControl::setPortOpen(bool open)
{
    const Status status = check(open ? "setPortOpen(true)" : "setPortOpen(false)");
    if (!status)
        return status;
    if (open && m_portOpen)
        return Failure{Failure::PortAlreadyOpen, u"already open"_s};
    m_portOpen = open;
    return {};
}

Outcome<QString> FakeCommControl::Settings() const
{
    const Status status = check("Settings");
    if (!status)
        return status.failure();
    return m_settings;
}

Status FakeCommControl::setSettings(const QString &settings)
{
    const Status status = check("setSettings");
    if (status)
        m_settings = settings;
    return status;
}

Outcome<qint16> FakeCommControl::CommEvent() const
{
    const Status status = check("CommEvent");
    if (!status)
        return status.failure();
    return m_commEvent;
}

Outcome<QByteArray> FakeCommControl::Input()
{
    const Status status = check("Input");
    if (!status)
        return status.failure();
    const qsizetype count =
        m_inputLen == 0 ? waiting.size() : qMin<qsizetype>(m_inputLen, waiting.size());
    const QByteArray taken = waiting.left(count);
    waiting.remove(0, count);
    return taken;
}

void FakeCommControl::raise(qint16 code, const QByteArray &data)
{
    waiting += data;
    m_commEvent = code;
    emit OnComm();
}

void FakeCommControl::fail(const QString &operations)
{
    for (const QString &operation : operations.split(u',', Qt::SkipEmptyParts)) {
        if (operation.startsWith(u'!'))
            failingOnce.insert(operation.mid(1));
        else
            failing.insert(operation);
    }
}
