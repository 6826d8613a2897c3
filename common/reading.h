#pragma once

#include <QMetaType>
#include <QString>

#include <limits>

// One reading of the reader as typed values, the same whatever the user's locale and language:
// what a decoded record said, that characters came which were no record, or that records
// stopped coming.
struct Reading {
    enum class Status { Ok, UnderRange, OverRange, NoData, Dropped };

    // Counts what came from 1 since the program started, decoded records and dropped pieces
    // alike; 0 before the first one. A silence keeps the number of what came before it.
    quint64 sequence = 0;
    // When the record was decoded (or the silence noticed): microseconds since the Unix epoch.
    qint64 time = 0;
    // NaN when the reading has no measurement: under or over range, the 9999 marker, a
    // damaged or dropped record.
    double absorbance = std::numeric_limits<double>::quiet_NaN();
    // The absorbance as the window shows it, but always with a point for the decimals:
    // "1.234", "2.01", "LO", "HI", "9999".
    QString shown;
    bool marker = false;    // the record carried the reader's 9999 marker
    quint32 wavelength = 0; // nanometres; 0 before the first record
    Status status = Status::NoData;
    // Not a whole record of the reader's shape: a field did not convert, the characters are
    // not of the reader's shape, or they were dropped. What the window shows for it follows
    // the rules for failures (such as the previous count) and is no fresh measurement.
    bool damaged = false;
    QString record; // every character received, one a byte (U+0000 to U+00FF)

    // "ok", "under-range", "over-range", "no-data", "dropped".
    static QString statusName(Status status);
    // The status for a name; false when there is none by that name.
    static bool statusFromName(const QString &name, Status *status);
};

Q_DECLARE_METATYPE(Reading)
