#pragma once

#include "link/commcontrol.h"

#include <QSet>

// A serial control without a device: tests raise its events directly (line errors that a
// pseudo-terminal cannot produce) and make named operations fail.
class FakeCommControl : public CommControl {
    Q_OBJECT

public:
    using CommControl::CommControl;

    Outcome<qint16> CommPort() const override;
    Status setCommPort(qint16 port) override;
    Outcome<QString> Settings() const override;
    Status setSettings(const QString &settings) override;
    Outcome<qint16> RThreshold() const override;
    Status setRThreshold(qint16 count) override;
    Outcome<qint16> InputLen() const override;
    Status setInputLen(qint16 count) override;
    Outcome<qint32> Handshaking() const override;
    Status setHandshaking(qint32 mode) override;
    Outcome<bool> DTREnable() const override;
    Status setDTREnable(bool enable) override;
    Outcome<bool> PortOpen() const override;
    Status setPortOpen(bool open) override;
    Outcome<qint16> CommEvent() const override;
    Outcome<QByteArray> Input() override;

    // Puts `data` in the receive buffer and raises event `code` at once (synchronously, so
    // that a call from inside a handler nests as it would under a modal box).
    void raise(qint16 code, const QByteArray &data = {});
    // Characters received: raises one receive event.
    void receive(const QByteArray &data) { raise(CommEventCode::Receive, data); }

    // Operations by name that fail with `failureText`: "CommPort" reads, "setCommPort" writes,
    // "setPortOpen(true)" opens, "setPortOpen(false)" closes, and so on. Those in `failingOnce`
    // fail the first time only.
    QSet<QString> failing;
    mutable QSet<QString> failingOnce;
    // Makes the operations of a comma-separated list fail, those with a leading "!" once.
    void fail(const QString &operations);
    QString failureText = QStringLiteral("device failure");
    mutable QStringList calls;
    QByteArray waiting;
    // A control that takes another number than the one it is given reports this much more.
    qint16 renumberBy = 0;

private:
    Status check(const char *operation) const;
    template <typename T> Outcome<T> get(const char *operation, const T &value) const;
    template <typename T> Status put(const char *operation, T &member, T value);

    qint16 m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    qint16 m_rThreshold = 0;
    qint16 m_inputLen = 10;
    qint32 m_handshaking = 0;
    bool m_dtrEnable = false;
    bool m_portOpen = true;
    qint16 m_commEvent = 0;
};
