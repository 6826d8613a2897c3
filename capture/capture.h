#pragma once

#include <QtGlobal>

// One reading taken from the stream: the mean of the settled readings behind it.
struct Capture {
    double absorbance = 0; // the mean of the typed absorbances, never of the shown texts
    double spread = 0;     // largest minus smallest
    int readings = 0;
    quint64 firstSequence = 0;
    quint64 lastSequence = 0;
    qint64 time = 0; // of the last reading, microseconds since the Unix epoch
    quint32 wavelength = 0;
};
