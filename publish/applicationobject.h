#pragma once

#include <QDBusVirtualObject>

// The program as a desktop application on the session bus (org.freedesktop.Application, the
// interface that desktops and launchers use). Activate asks for the window to come to the
// front, which is all a client can ask: the program opens no files and has no actions, and
// nothing here reaches the readings.
class ApplicationObject : public QDBusVirtualObject {
    Q_OBJECT

public:
    // The object's path for an application id: org.zav41k.zav41k -> /org/zav41k/zav41k.
    static QString pathOf(const QString &applicationId);

    explicit ApplicationObject(QString programName, QObject *parent = nullptr);

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

signals:
    void activationRequested();

private:
    QString m_programName;
};
