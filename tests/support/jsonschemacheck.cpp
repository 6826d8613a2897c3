#include "support/jsonschemacheck.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

QString schemaViolations(const QString &schema, const QByteArrayList &documents)
{
    QTemporaryDir folder;
    QStringList arguments;
    for (int i = 0; i < documents.size(); ++i) {
        const QString path = QDir(folder.path()).filePath(u"%1.json"_s.arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(documents.at(i)) < 0)
            return u"cannot write %1"_s.arg(path);
        arguments << u"--instance"_s << path;
    }
    arguments << schema;
    QProcess validator;
    // Debian's own, whatever else the PATH holds.
    validator.start(u"/usr/bin/jsonschema"_s, arguments);
    if (!validator.waitForFinished(60000))
        return u"the validator /usr/bin/jsonschema did not run (%1)"_s.arg(validator.errorString());
    if (validator.exitStatus() == QProcess::NormalExit && validator.exitCode() == 0)
        return {};
    const QString said =
        QString::fromUtf8(validator.readAllStandardOutput() + validator.readAllStandardError());
    return said.isEmpty() ? u"invalid"_s : said;
}
