#include "postgresqlserver.h"

#include "support/freeport.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QUrl>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kUser = u"zav41k"_s;

// Debian keeps each major version's programs apart; the newest installed.
QString serverPrograms()
{
    QStringList versions =
        QDir(u"/usr/lib/postgresql"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
    return versions.isEmpty() ? QString() : u"/usr/lib/postgresql/%1/bin/"_s.arg(versions.last());
}

} // namespace

PostgresqlServer::PostgresqlServer()
    : m_bin(serverPrograms())
    , m_port(freePort())
{
    if (m_bin.isEmpty()) {
        m_failure = u"PostgreSQL's server is not installed (Debian's postgresql)"_s;
        return;
    }
    if (::geteuid() == 0 &&
        ::chown(QFile::encodeName(m_folder.path()).constData(), kNobody, kNobody) != 0) {
        m_failure = u"the server's folder could not be given to nobody"_s;
        return;
    }
    const QString data = m_folder.filePath(u"data"_s);
    // fsync off: the test's server is thrown away, and its appends are what is measured.
    if (!tool(u"initdb"_s, {u"-D"_s, data, u"-U"_s, kUser, u"--auth=trust"_s, u"-E"_s, u"UTF8"_s,
                            u"--no-sync"_s}) ||
        !tool(u"pg_ctl"_s,
              {u"-D"_s, data, u"-l"_s, m_folder.filePath(u"log"_s), u"-w"_s, u"-o"_s,
               u"-F -k %1 -h 127.0.0.1 -p %2"_s.arg(m_folder.path()).arg(m_port), u"start"_s}))
        m_failure = u"the server did not start"_s;
}

PostgresqlServer::~PostgresqlServer()
{
    if (m_failure.isEmpty())
        (void)tool(u"pg_ctl"_s, {u"-D"_s, m_folder.filePath(u"data"_s), u"-m"_s, u"immediate"_s,
                                 u"-w"_s, u"stop"_s});
}

bool PostgresqlServer::tool(const QString &name, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    if (::geteuid() == 0)
        process.start(u"setpriv"_s,
                      QStringList{u"--reuid=%1"_s.arg(kNobody), u"--regid=%1"_s.arg(kNobody),
                                  u"--clear-groups"_s, m_bin + name} +
                          arguments);
    else
        process.start(m_bin + name, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString PostgresqlServer::newDatabase()
{
    const QString name = u"lab%1"_s.arg(++m_databases);
    const QString address = u"postgresql://%1@127.0.0.1:%2/"_s.arg(kUser).arg(m_port);
    return run(address + u"postgres"_s, u"CREATE DATABASE "_s + name) ? address + name : QString();
}

bool PostgresqlServer::run(const QString &address, const QString &sql)
{
    const QUrl url(address);
    QProcess psql;
    psql.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    psql.setStandardOutputFile(QProcess::nullDevice());
    psql.start(u"psql"_s, {u"-X"_s, u"-q"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s, u"-h"_s, url.host(),
                           u"-p"_s, QString::number(url.port()), u"-U"_s, url.userName(), u"-d"_s,
                           url.path().mid(1), u"-c"_s, sql});
    return psql.waitForFinished(30000) && psql.exitStatus() == QProcess::NormalExit &&
           psql.exitCode() == 0;
}
