#pragma once

#include "capture/capture.h"
#include "fit/dosecurve.h"

#include <QList>
#include <QString>

#include <optional>

// What a lab registers and measures, as the record's entries hold it.

struct ReaderInfo {
    QString name;
    QString serial;
    double threshold = 0.020; // what counts as a film in the holder
    int checkHours = 24;      // how long a passing day's check holds
};

struct Batch {
    QString name;
    QString lot;
    double thickness = 0;            // nominal, µm
    double thicknessUncertainty = 0; // standard, µm
};

// The mean absorbance of unirradiated films of a batch at one wavelength.
struct Background {
    QString batch;
    quint32 wavelength = 0;
    double mean = 0;
    double deviation = 0; // sample standard deviation; 0 for one film
    int count = 0;
};

struct Session {
    qint64 id = 0; // the entry that started it
    QString operatorName;
    QString batch;
    QString reader;
    quint32 wavelength = 0;
    int replicates = 1;
    double replicateTolerance = 0.005; // how far a dosimeter's replicates may be apart
    QString purpose;
    Background background;
    double nominalThickness = 0;     // µm
    double thicknessUncertainty = 0; // standard, µm
    double threshold = 0.020;
    QString started; // RFC 3339, UTC
    bool ended = false;
};

// One capture kept in a session, against a dosimeter.
struct SessionCapture {
    qint64 entry = 0; // 0 while it is not in the record yet
    QString dosimeter;
    double thickness = 0; // µm
    Capture capture;
};

// A dosimeter's result: the mean of its captures, and what follows from it.
struct DosimeterResult {
    QString dosimeter;
    double absorbance = 0;
    int readings = 0; // behind all its captures
    int captures = 0;
    double spread = 0;              // of its captures (of the readings when there is one)
    double background = 0;          // A0
    double thickness = 0;           // µm
    double specific = 0;            // Δk = (A − A0) / t, t in mm
    double specificUncertainty = 0; // standard, from the replicates, A0 and t
    QStringList flags;              // "replicates-disagree", "incomplete"
    std::optional<double> dose;     // Gy
    double doseUncertainty = 0;     // expanded (k = 2), Gy
    QString noDose;                 // why there is none: "no-calibration", "outside-range"
};

// What the doses of a session come from: an approved calibration's curve, or why there is none.
struct DoseSource {
    std::optional<DoseCurve> curve;
    qint64 calibration = 0; // its entry
    QString missing;        // "no-calibration" when there is none
};
