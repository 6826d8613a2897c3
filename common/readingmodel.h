#pragma once

#include "common/reading.h"

#include <QObject>

#include <functional>

// The latest reading as typed values, beside the indicators that show it as text: the decoder
// makes one of every record, the watchdog marks the silence, and the publication passes each
// on. Every reading is announced, also one equal to the one before.
class ReadingModel : public QObject {
    Q_OBJECT

public:
    // Microseconds since the Unix epoch.
    using Clock = std::function<qint64()>;
    static qint64 systemTime();

    explicit ReadingModel(Clock clock = &ReadingModel::systemTime, QObject *parent = nullptr);

    const Reading &current() const { return m_current; }

    // A record's decoding begins: the updates of its items come next, then its reading.
    void beginRecord();
    // A decoded record: numbered after the one before and stamped with the time now.
    void recordDecoded(Reading reading);
    // Characters that came and were not decoded: a reading with status dropped, so that
    // whoever keeps the readings sees that something came.
    void piecesDropped(const QString &characters);
    // No record for a while: the last decoded reading stands, with status no-data, the
    // sequence of the latest reading and the time now.
    void dataMissing();

signals:
    void recordBegun();
    void readingMade(const Reading &reading);

private:
    void make(Reading reading);

    Clock m_clock;
    Reading m_current;
    Reading m_lastDecoded;
};
