#pragma once

#include "fit/dosecurve.h"
#include "fit/fitpoint.h"
#include "fit/fitresult.h"

#include <QDate>
#include <QList>
#include <QString>

// One film of a calibration: the dose it was given and its specific net absorbance.
struct CalibrationPoint {
    QString dosimeter;
    double dose = 0;            // Gy
    double doseUncertainty = 0; // standard, Gy; 0 when not known
    double response = 0;        // Δk, per mm
};

// The films of one calibration of a batch on a reader at a wavelength.
struct CalibrationPoints {
    qint64 id = 0; // the entry that holds them
    QString batch;
    QString reader;
    quint32 wavelength = 0;
    QString source; // the session or the file they came from
    QList<CalibrationPoint> points;
};

// A calibration function fitted through points; frozen once approved. A verification factor
// makes a new version, which is approved on its own.
struct Calibration {
    qint64 id = 0;
    qint64 points = 0;
    QString batch;
    QString reader;
    quint32 wavelength = 0;
    QString fittedBy;
    QString fittedAt; // RFC 3339, UTC
    FitResult fit{*CalibrationForm::parse(QStringLiteral("polynomial:1"))};
    double lowResponse = 0, highResponse = 0; // Δk over which it holds
    double lowDose = 0, highDose = 0;         // Gy
    double referenceUncertainty = 0;          // of the reference doses, relative, standard
    double factor = 1;
    int version = 1;
    qint64 supersedes = 0; // the calibration this version changes
    QString approvedBy;    // empty while it is not approved
    QString approvedAt;
    QDate expires;

    bool isApproved() const { return !approvedBy.isEmpty(); }
    DoseCurve curve() const
    {
        return {fit.form,     fit.values(), fit.covariance,      lowResponse,
                highResponse, factor,       referenceUncertainty};
    }
};
