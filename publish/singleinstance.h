#pragma once

#include "publish/applicationobject.h"
#include "publish/instancelock.h"
#include "publish/sessionbus.h"

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// One running program per user session. The first start owns the application's name on the
// session bus, and a lock beside its settings for starts that share no bus with it; a later
// start finds it by either, asks it over the bus to bring its window to the front, and ends
// before it does anything else.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // `applicationId` is the program's name on the bus (org.zav41k.zav41k); `lockFiles` the
    // lock's paths, the first that can be made is taken; `program` starts what a later start
    // says on standard error.
    SingleInstance(QString program, QString applicationId, QStringList lockFiles,
                   QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Claim { First, AlreadyRuns };
    // Claims the session for this start. AlreadyRuns when another start holds it; that one
    // has been asked to come forward, and what happened has been said on standard error.
    Claim claim();

    // How long a later start waits for the running one to answer.
    static constexpr int kAnswerTimeoutMs = 10000;
    // How often a name whose owner has just gone is tried, and the pause between the tries.
    static constexpr int kTries = 20;
    static constexpr int kRetryPauseMs = 50;

signals:
    // A later start asked for the window.
    void activationRequested();

private:
    void own(const QDBusConnection &bus);
    QDBusMessage askToComeForward(const QDBusConnection &bus) const;
    void say(const QString &line) const;

    QString m_program;
    QString m_applicationId;
    QStringList m_lockFiles;
    ApplicationObject m_object;
    SessionBus m_bus;
    std::unique_ptr<InstanceLock> m_lock;
    bool m_ownerElsewhere = false;
};
