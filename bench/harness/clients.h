#pragma once

#include <QObject>
#include <QProcess>
#include <QVector>

#include <memory>
#include <vector>

// Linked client processes, each printing the monotonic time of every update it receives.
class Clients : public QObject {
    Q_OBJECT

public:
    struct Update {
        qint64 ns;
        QByteArray item;
        QByteArray value;
    };

    Clients(const QString &program, int count);
    ~Clients() override;

    // Waits until every client has subscribed.
    bool waitReady(int timeoutMs);
    int count() const { return int(m_processes.size()); }
    const std::vector<Update> &updates(int client) const { return m_updates.at(size_t(client)); }
    qsizetype totalUpdates() const;
    void clear();

private:
    void read(int client);

    std::vector<std::unique_ptr<QProcess>> m_processes;
    std::vector<std::vector<Update>> m_updates;
    std::vector<QByteArray> m_pending;
    std::vector<bool> m_ready;
};
