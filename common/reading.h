#pragma once

#include <QMetaType>
#include <QString>

#include <limits>

// One reading of the reader as typed values, the same whatever the user's locale and language:
// what a decoded record said, or that records stopped coming.
struct Reading {
    enum class Status { Ok, UnderRange, OverRange, NoData };

    // Counts decoded records from 1 since the program started; 0 before the first one.
    quint64 sequence = 0;
    // When the record was decoded (or the silence noticed): microseconds since the Unix epoch.
    qint64 time = 0;
    // NaN when the record shows no absorbance: under or over range, or the 9999 marker.
    double absorbance = std::numeric_limits<double>::quiet_NaN();
    // The absorbance as the window shows it, but always with a point for the decimals:
    // "1.234", "2.01", "LO", "HI", "9999".
    QString shown;
    bool marker = false;    // the record carried the reader's 9999 marker
    quint32 wavelength = 0; // nanometres; 0 before the first record
    Status status = Status::NoData;
    // A field of the record did not convert: what it shows follows the rules for failures
    // (such as the previous count) and is no fresh measurement.
    bool damaged = false;
    QString record; // the record's characters as received

    // "ok", "under-range", "over-range", "no-data".
    static QString statusName(Status status);
    // The status for a name; false when there is none by that name.
    static bool statusFromName(const QString &name, Status *status);
};

Q_DECLARE_METATYPE(Reading)
