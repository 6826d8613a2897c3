#include "publish/busowner.h"

#include "publish/linknames.h"
#include "publish/programname.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>

BusOwner BusOwner::of(const QDBusConnection &connection, const QString &name)
{
    BusOwner owner;
    if (!connection.isConnected())
        return owner;
    const QDBusReply<uint> pid = connection.interface()->servicePid(name);
    if (!pid.isValid() || pid.value() == 0)
        return owner;
    owner.pid = pid.value();
    owner.program = programName(owner.pid);
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
