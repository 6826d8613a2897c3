#pragma once

#include "common/outcome.h"

#include <QString>
#include <QStringList>

// Which device a port number names. An explicit entry Com<n> in the group Ports of the
// settings file wins; otherwise port n is the n-th serial device present: USB adapters
// (ttyUSB, then ttyACM, by number), then built-in ports that have hardware behind them.
class PortMap {
public:
    explicit PortMap(QString settingsFile, QString devRoot = QStringLiteral("/dev"),
                     QString sysRoot = QStringLiteral("/sys"));

    Outcome<QString> devicePath(int port) const;

    // The serial devices present, in port-number order, without explicit entries.
    QStringList presentDevices() const;

private:
    // The entry's path, empty when there is none; a failure when the file cannot be read or
    // the entry names no usable path.
    Outcome<QString> explicitEntry(int port) const;

    QString m_settingsFile;
    QString m_devRoot;
    QString m_sysRoot;
};
