#include "support/jsonschemacheck.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

QString schemaViolations(const QString &schema, const QByteArrayList &documents)
{
    QTemporaryDir folder;
    QStringList arguments;
    for (int i = 0; i < documents.size(); ++i) {
        const QString path = QDir(folder.path()).filePath(QStringLiteral("%1.json").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(documents.at(i)) < 0)
            return QStringLiteral("cannot write %1").arg(path);
        arguments << QStringLiteral("--instance") << path;
    }
    arguments << schema;
    QProcess validator;
    // Debian's own, whatever else the PATH holds.
    validator.start(QStringLiteral("/usr/bin/jsonschema"), arguments);
    if (!validator.waitForFinished(60000))
        return QStringLiteral("the validator /usr/bin/jsonschema did not run (%1)")
            .arg(validator.errorString());
    if (validator.exitStatus() == QProcess::NormalExit && validator.exitCode() == 0)
        return {};
    const QString said =
        QString::fromUtf8(validator.readAllStandardOutput() + validator.readAllStandardError());
    return said.isEmpty() ? QStringLiteral("invalid") : said;
}
