#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// Codes of the events that a serial control reports through CommEvent.
namespace CommEventCode {
constexpr qint16 Receive = 2;
constexpr qint16 CarrierDetect = 5;
constexpr qint16 Break = 1001;
constexpr qint16 Framing = 1004;
constexpr qint16 Overrun = 1006;
constexpr qint16 ReceiveOverflow = 1008;
constexpr qint16 Parity = 1009;
} // namespace CommEventCode

// The serial communications control of the main window: a port addressed by number, configured
// through properties, raising OnComm on the user-interface thread for every event, whose code
// CommEvent then tells. Every property access can fail, with a description for the user.
class CommControl : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~CommControl() override;

    virtual Outcome<qint16> CommPort() const = 0;
    virtual Status setCommPort(qint16 port) = 0;
    virtual Outcome<QString> Settings() const = 0;
    virtual Status setSettings(const QString &settings) = 0;
    virtual Outcome<qint16> RThreshold() const = 0;
    virtual Status setRThreshold(qint16 count) = 0;
    virtual Outcome<qint16> InputLen() const = 0;
    virtual Status setInputLen(qint16 count) = 0;
    virtual Outcome<qint32> Handshaking() const = 0;
    virtual Status setHandshaking(qint32 mode) = 0;
    virtual Outcome<bool> DTREnable() const = 0;
    virtual Status setDTREnable(bool enable) = 0;
    virtual Outcome<bool> PortOpen() const = 0;
    virtual Status setPortOpen(bool open) = 0;
    virtual Outcome<qint16> CommEvent() const = 0;
    // Removes and returns up to InputLen waiting characters (all of them when InputLen is 0).
    virtual Outcome<QByteArray> Input() = 0;

signals:
    void OnComm();
    // The characters received so far may not be followed by the ones that come next: the port
    // was closed or its device went away. A record begun before cannot be finished after.
    void lineInterrupted();
};
