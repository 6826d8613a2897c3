#pragma once

#include "calibrationitems.h"
#include "dosimetryrecord.h"
#include "labitems.h"

#include "common/outcome.h"

#include <QMap>

#include <optional>

// Calibrations as entries of the record: the points, each fit of them, each approval. An
// approved calibration is never changed; a verification factor is a new version of it.
class CalibrationBook {
public:
    explicit CalibrationBook(DosimetryRecord &record);

    // Points given with their Δk, as a calibration laboratory sends them.
    Outcome<CalibrationPoints> addPoints(CalibrationPoints points);
    // Points from a calibration session: the dose given to each dosimeter, with its
    // uncertainty, and Δk from the session's results. Every dosimeter named must have one.
    Outcome<CalibrationPoints> addSessionPoints(qint64 session,
                                                const QList<CalibrationPoint> &doses);
    Outcome<CalibrationPoints> points(qint64 id) const;
    Outcome<QList<CalibrationPoints>> allPoints() const;

    // The fit of a form through the points, kept as a calibration waiting for approval.
    Outcome<Calibration> fit(qint64 points, const CalibrationForm &form, bool weighted);
    // The approval, by the login name, until `expires` (inclusive).
    Outcome<Calibration> approve(qint64 calibration, const QDate &expires);
    // A new version of an approved calibration, with a verification factor on its doses.
    Outcome<Calibration> addFactor(qint64 calibration, double factor, const QString &reason);
    Outcome<Calibration> calibration(qint64 id) const;
    Outcome<QList<Calibration>> calibrations() const;
    // The calibration that gives the doses of a session started on `day`: the last approved,
    // unexpired one of its batch, reader and wavelength.
    Outcome<std::optional<Calibration>> applicable(const QString &batch, const QString &reader,
                                                   quint32 wavelength, const QDate &day) const;
    // What the dose of a session's results comes from.
    Outcome<DoseSource> doseSource(const Session &session) const;

    // The points as the form fits them: x the response and y the dose, or the other way round.
    static QList<FitPoint> fitPoints(const CalibrationForm &form, const CalibrationPoints &points,
                                     bool weighted);

private:
    Outcome<Calibration> keep(const Calibration &c, const QString &reason);
    Calibration fromEntry(const Entry &e, const QMap<qint64, Entry> &approvals) const;

    DosimetryRecord &m_record;
};
