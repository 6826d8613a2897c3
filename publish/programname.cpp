#include "publish/programname.h"

#include <QFileInfo>

QString programName(qint64 pid)
{
    QString target = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    // A program whose file was replaced while it runs (an upgrade) is still that program.
    const QLatin1String deleted(" (deleted)");
    if (target.endsWith(deleted))
        target.chop(deleted.size());
    return QFileInfo(target).fileName();
}
