#pragma once

#include "capture/capture.h"

#include <QDate>
#include <QString>

// A reference filter of certified absorbance, read each day to show the reader reads true.
struct CheckStandard {
    QString id;
    quint32 wavelength = 0;
    double certified = 0; // absorbance
    double tolerance = 0; // how far a reading may be from it
    QDate certificateExpires;
};

// One reading of a check standard on a reader, and whether it passed.
struct DayCheck {
    qint64 entry = 0;
    QString time; // RFC 3339, UTC
    QString user;
    QString standard;
    QString reader;
    quint32 wavelength = 0;
    double certified = 0;
    double tolerance = 0;
    QDate certificateExpires;
    Capture measured;
    bool passed = false;
};
