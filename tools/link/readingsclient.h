#pragma once

#include "recordbook.h"

#include "publish/readingfollower.h"

#include <QDBusConnection>
#include <QObject>
#include <QTextStream>

// Follows the source's readings: prints one line per reading (tab-separated, or one JSON
// object), or writes each into the lab's record and then prints its row.
class ReadingsClient : public QObject {
    Q_OBJECT

public:
    enum class Output { Lines, Json, Record };

    ReadingsClient(QDBusConnection connection, QTextStream &out, QTextStream &err);

    // `book` is the record, started, for Output::Record. False, with a message, when
    // following cannot begin.
    bool follow(Output output, RecordBook *book = nullptr);
    void rebind(const QDBusConnection &connection);

    static QString line(const Reading &reading);

signals:
    // The record could not take a reading, or the readings could not be printed: the program
    // ends, with the message said.
    void failed();

private:
    void take(const Reading &reading);

    ReadingFollower m_follower;
    QTextStream &m_out;
    QTextStream &m_err;
    Output m_output = Output::Lines;
    RecordBook *m_book = nullptr;
};
