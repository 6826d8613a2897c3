#pragma once

#include "link/commcontrol.h"
#include "link/linesettings.h"
#include "link/ttydevice.h"

#include <QQueue>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

// The serial control on a real device. Received characters wait in a buffer of 1024; while it
// is full the device is not read, so the kernel holds the rest instead of losing it. Events are
// queued and raised one per turn of the event loop, never from inside a handler. When the
// device disappears (an adapter unplugged, a pseudo-terminal closed) the port stays open and
// the same device is opened again as soon as it is back.
class SerialCommControl : public CommControl {
    Q_OBJECT

public:
    static constexpr qsizetype kReceiveBufferSize = 1024;

    using DeviceResolver = std::function<Outcome<QString>(int port)>;

    // The resolver names the device behind a port number; whoever builds the control knows
    // where port numbers are mapped.
    explicit SerialCommControl(DeviceResolver resolver, QObject *parent = nullptr);
    ~SerialCommControl() override;

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

    // Whether the device is being read now (false while it is away).
    bool deviceConnected() const { return m_device.isOpen(); }
    QString devicePath() const { return m_device.path(); }

    static constexpr int kReconnectIntervalMs = 1000;

private:
    Status attach(const QString &path);
    void detach();
    void onReadable();
    void onDeviceLost();
    void tryReconnect();
    void queueEvent(qint16 code);
    void queueReceiveIfWaiting();
    void scheduleDispatch();
    void dispatchNext();
    TtyDevice::LineOptions lineOptions() const;

    DeviceResolver m_resolver;
    qint16 m_commPort = 1;
    LineSettings m_settings;
    qint16 m_rThreshold = 0;
    qint16 m_inputLen = 0;
    qint32 m_handshaking = 0;
    bool m_dtrEnable = false;
    bool m_portOpen = false;
    qint16 m_commEvent = 0;

    TtyDevice m_device;
    QString m_openedPath;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_reconnectTimer;
    QByteArray m_received;
    QQueue<qint16> m_events;
    bool m_receiveQueued = false;
    bool m_dispatchScheduled = false;
    bool m_reading = false; // in the notifier's callback: it raises what it queued itself
    int m_dispatching = 0;  // handlers of OnComm running, one inside another's message box
};
