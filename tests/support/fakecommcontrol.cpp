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

template <typename T> Outcome<T> FakeCommControl::get(const char *operation, const T &value) const
{
    const Status status = check(operation);
    if (!status)
        return status.failure();
    return value;
}

template <typename T> Status FakeCommControl::put(const char *operation, T &member, T value)
{
    const Status status = check(operation);
    if (status)
        member = value;
    return status;
}

// clang-format off
Outcome<qint16> FakeCommControl::CommPort() const { return get("CommPort", m_commPort); }
Outcome<QString> FakeCommControl::Settings() const { return get("Settings", m_settings); }
Outcome<qint16> FakeCommControl::RThreshold() const { return get("RThreshold", m_rThreshold); }
Outcome<qint16> FakeCommControl::InputLen() const { return get("InputLen", m_inputLen); }
Outcome<qint32> FakeCommControl::Handshaking() const { return get("Handshaking", m_handshaking); }
Outcome<bool> FakeCommControl::DTREnable() const { return get("DTREnable", m_dtrEnable); }
Outcome<bool> FakeCommControl::PortOpen() const { return get("PortOpen", m_portOpen); }
Outcome<qint16> FakeCommControl::CommEvent() const { return get("CommEvent", m_commEvent); }
Status FakeCommControl::setSettings(const QString &s) { return put("setSettings", m_settings, s); }
Status FakeCommControl::setRThreshold(qint16 n) { return put("setRThreshold", m_rThreshold, n); }
Status FakeCommControl::setInputLen(qint16 n) { return put("setInputLen", m_inputLen, n); }
Status FakeCommControl::setHandshaking(qint32 h) { return put("setHandshaking", m_handshaking, h); }
Status FakeCommControl::setDTREnable(bool on) { return put("setDTREnable", m_dtrEnable, on); }
// clang-format on

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
