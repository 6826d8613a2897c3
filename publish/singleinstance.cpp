#include "publish/singleinstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QTextStream>
#include <QThread>

SingleInstance::SingleInstance(QString program, QString applicationId, QStringList lockFiles,
                               QObject *parent)
    : QObject(parent)
    , m_program(std::move(program))
    , m_applicationId(std::move(applicationId))
    , m_lockFiles(std::move(lockFiles))
    , m_object(m_program)
    // The program's main connection says when the bus goes and comes back.
    , m_bus(m_program, SessionBus::Losses::Unsaid)
{
    connect(&m_object, &ApplicationObject::activationRequested, this,
            &SingleInstance::activationRequested);
    connect(&m_bus, &SessionBus::connected, this, &SingleInstance::own);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Claim SingleInstance::claim()
{
    if (m_bus.start()) {
        // A program that has just ended may still hold the name for a moment, until the bus
        // has seen it go; then the call finds nobody, and the name is tried again.
        for (int tries = 1; m_ownerElsewhere; ++tries) {
            QElapsedTimer asking;
            asking.start();
            const QDBusMessage answer = askToComeForward(m_bus.connection());
            const QString error = answer.errorName();
            // A recipient that leaves without replying is told at once; a hung one only when
            // the wait is over, and that one is not tried again.
            const bool ownerGone =
                error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
                (error == QLatin1String("org.freedesktop.DBus.Error.NoReply") &&
                 asking.elapsed() < kAnswerTimeoutMs / 2);
            if (!ownerGone || tries == kTries) {
                if (answer.type() == QDBusMessage::ReplyMessage)
                    say(QStringLiteral("the program already runs; its window is brought to the "
                                       "front, and this start ends"));
                else
                    say(QStringLiteral("the program already runs, but did not come to the front "
                                       "(%1); this start ends")
                            .arg(answer.errorMessage()));
                return Claim::AlreadyRuns;
            }
            QThread::msleep(kRetryPauseMs);
            own(m_bus.connection());
        }
    }
    // The first lock that can be made decides; a later start tries them in the same order.
    QStringList unavailable;
    for (const QString &file : std::as_const(m_lockFiles)) {
        m_lock = std::make_unique<InstanceLock>(file);
        if (m_lock->state() != InstanceLock::State::Unavailable)
            break;
        unavailable << m_lock->error();
    }
    if (m_lock && m_lock->state() == InstanceLock::State::HeldByAnother) {
        const QString holder = m_lock->holder() > 0
                                   ? QStringLiteral(" (process %1)").arg(m_lock->holder())
                                   : QString();
        say(QStringLiteral("the program already runs for this user%1, on no session bus "
                           "shared with this start, so its window cannot be brought to the "
                           "front; this start ends")
                .arg(holder));
        return Claim::AlreadyRuns;
    }
    // Without a lock the bus alone keeps a second start out, as far as it reaches: that is
    // said, since a start on another bus would then go on to the port.
    if (!m_lock || m_lock->state() == InstanceLock::State::Unavailable)
        say(QStringLiteral("no lock can be made (%1), so a start on another session bus is not "
                           "kept out; this start goes on")
                .arg(unavailable.join(QStringLiteral("; "))));
    else if (!unavailable.isEmpty())
        say(QStringLiteral("the lock cannot be made (%1); another one keeps a second start out")
                .arg(unavailable.join(QStringLiteral("; "))));
    return Claim::First;
}

void SingleInstance::own(const QDBusConnection &bus)
{
    QDBusConnection connection = bus;
    const QString path = ApplicationObject::pathOf(m_applicationId);
    if (!connection.registerVirtualObject(path, &m_object))
        return;
    // The object is there before the name, so that a start that finds the name can ask at
    // once. Not queued: a later start that finds the name taken ends instead of waiting.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        connection.interface()->registerService(m_applicationId,
                                                QDBusConnectionInterface::DontQueueService,
                                                QDBusConnectionInterface::DontAllowReplacement);
    m_ownerElsewhere =
        reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceNotRegistered;
    if (m_ownerElsewhere)
        connection.unregisterObject(path);
}

QDBusMessage SingleInstance::askToComeForward(const QDBusConnection &bus) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_applicationId, ApplicationObject::pathOf(m_applicationId),
        QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
    // What a launcher gave this start lets the window manager give the focus to the window.
    QVariantMap platformData;
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    if (!startupId.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), startupId);
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (!token.isEmpty())
        platformData.insert(QStringLiteral("activation-token"), token);
    call << platformData;
    return bus.call(call, QDBus::Block, kAnswerTimeoutMs);
}

void SingleInstance::say(const QString &line) const
{
    QTextStream(stderr) << m_program << ": " << line << Qt::endl;
}
