#include "publish/busowner.h"

#include "publish/linknames.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QFileInfo>

BusOwner BusOwner::of(const QDBusConnection &connection, const QString &name)
{
    BusOwner owner;
    if (!connection.isConnected())
        return owner;
    const QDBusReply<uint> pid = connection.interface()->servicePid(name);
    if (!pid.isValid() || pid.value() == 0)
        return owner;
    owner.pid = pid.value();
    QString target = QFileInfo(QStringLiteral("/proc/%1/exe").arg(owner.pid)).symLinkTarget();
    // A program whose file was replaced while it runs (an upgrade) is still that program.
    const QLatin1String deleted(" (deleted)");
    if (target.endsWith(deleted))
        target.chop(deleted.size());
    owner.program = QFileInfo(target).fileName();
    return owner;
}

bool BusOwner::isTheProgram() const
{
    return program == QLatin1String(LinkNames::kApplication);
}

QString BusOwner::describe() const
{
    return program.isEmpty() ? QStringLiteral("process %1").arg(pid)
                             : QStringLiteral("process %1 (%2)").arg(pid).arg(program);
}

QString BusOwner::notTheProgram(const QString &name) const
{
    return QStringLiteral("%1 is owned by %2, which is not ZAV41K: the values that follow are "
                          "that program's, not the reader's")
        .arg(name, describe());
}
