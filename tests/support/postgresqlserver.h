#pragma once

#include <QString>
#include <QTemporaryDir>

// A real PostgreSQL server of the test's own: a cluster made by initdb in a temporary folder,
// run by pg_ctl on a free loopback port, as nobody when the test runs as root (the server
// refuses root). Ended with the object.
class PostgresqlServer {
public:
    PostgresqlServer();
    ~PostgresqlServer();
    PostgresqlServer(const PostgresqlServer &) = delete;
    PostgresqlServer &operator=(const PostgresqlServer &) = delete;

    // Empty once the server runs; otherwise what stopped it.
    QString failure() const { return m_failure; }
    // A new empty database on it, as --database names it: postgresql://user@host:port/name.
    QString newDatabase();
    // Runs SQL with psql in the database that `address` names; false when psql refused it.
    bool run(const QString &address, const QString &sql);

private:
    bool tool(const QString &name, const QStringList &arguments);

    QTemporaryDir m_folder;
    QString m_bin;
    int m_port = 0;
    int m_databases = 0;
    QString m_failure;
};
