#pragma once

#include "record/calibrationbook.h"

#include <QObject>

#include <optional>

// A calibration as the window works it, without the window: the points chosen, every form
// fitted through them side by side, and the one chosen kept and approved in the record.
class CalibrationDesk : public QObject {
    Q_OBJECT

public:
    struct Fitted {
        CalibrationForm form;
        std::optional<FitResult> fit;
        QString failure;    // why there is no fit
        double rmsResidual; // of the doses, per cent; NaN without a fit
    };

    explicit CalibrationDesk(DosimetryRecord &record, QObject *parent = nullptr);

    Outcome<QList<CalibrationPoints>> pointSets() const;
    Outcome<QList<Calibration>> calibrations() const;
    // Fits every form through the points of the entry.
    Status choose(qint64 points);
    Outcome<CalibrationPoints> addPoints(const CalibrationPoints &points);
    Outcome<CalibrationPoints> addSessionPoints(qint64 session,
                                                const QList<CalibrationPoint> &doses);
    const std::optional<CalibrationPoints> &points() const { return m_points; }
    bool weighted() const { return m_weighted; }
    // Fits again with the points weighted by their doses' uncertainties, or not.
    void setWeighted(bool weighted);
    const QList<Fitted> &fits() const { return m_fits; }
    // The form whose doses lie closest to the points' (least root-mean-square residual).
    int closest() const;
    // The fit of the form kept in the record, then approved by the login name until `expires`.
    Outcome<Calibration> approve(const CalibrationForm &form, const QDate &expires);
    // A session's results, for the doses its films were given.
    Outcome<QList<DosimeterResult>> sessionResults(qint64 session) const;

signals:
    void changed();

private:
    void refit();

    DosimetryRecord &m_record;
    CalibrationBook m_book;
    std::optional<CalibrationPoints> m_points;
    bool m_weighted = false;
    QList<Fitted> m_fits;
};
