#include "calibrationdesk.h"

#include "fit/curvefit.h"
#include "record/labbook.h"
#include "record/labtexts.h"

#include <cmath>

CalibrationDesk::CalibrationDesk(DosimetryRecord &record, QObject *parent)
    : QObject(parent)
    , m_record(record)
    , m_book(record)
{
}

Outcome<QList<CalibrationPoints>> CalibrationDesk::pointSets() const
{
    return m_book.allPoints();
}

Outcome<QList<Calibration>> CalibrationDesk::calibrations() const
{
    return m_book.calibrations();
}

Status CalibrationDesk::choose(qint64 id)
{
    const Outcome<CalibrationPoints> p = m_book.points(id);
    if (!p)
        return p.failure();
    m_points = p.value();
    refit();
    return {};
}

Outcome<CalibrationPoints> CalibrationDesk::addPoints(const CalibrationPoints &points)
{
    const Outcome<CalibrationPoints> kept = m_book.addPoints(points);
    if (kept)
        (void)choose(kept.value().id);
    return kept;
}

Outcome<CalibrationPoints> CalibrationDesk::addSessionPoints(qint64 session,
                                                             const QList<CalibrationPoint> &doses)
{
    const Outcome<CalibrationPoints> kept = m_book.addSessionPoints(session, doses);
    if (kept)
        (void)choose(kept.value().id);
    return kept;
}

Outcome<QList<DosimeterResult>> CalibrationDesk::sessionResults(qint64 session) const
{
    return LabBook(m_record).results(session);
}

void CalibrationDesk::setWeighted(bool weighted)
{
    m_weighted = weighted;
    refit();
}

void CalibrationDesk::refit()
{
    m_fits.clear();
    if (m_points) {
        bool weighable = true;
        for (const CalibrationPoint &c : m_points->points)
            weighable = weighable && c.doseUncertainty > 0;
        m_weighted = m_weighted && weighable;
        for (const CalibrationForm &form : CalibrationForm::all()) {
            const Outcome<FitResult> r =
                CurveFit::fit(form, CalibrationBook::fitPoints(form, *m_points, m_weighted));
            Fitted f{form, std::nullopt, {}, std::nan("")};
            if (r) {
                f.fit = r.value();
                double squares = 0;
                int counted = 0;
                for (double residual : r.value().residualPercent) {
                    if (std::isfinite(residual)) {
                        squares += residual * residual;
                        ++counted;
                    }
                }
                f.rmsResidual = counted ? std::sqrt(squares / counted) : std::nan("");
            } else {
                f.failure = r.failure().description;
            }
            m_fits << f;
        }
    }
    emit changed();
}

int CalibrationDesk::closest() const
{
    int best = -1;
    for (int i = 0; i < int(m_fits.size()); ++i) {
        if (std::isfinite(m_fits[i].rmsResidual) &&
            (best < 0 || m_fits[i].rmsResidual < m_fits[best].rmsResidual))
            best = i;
    }
    return best;
}

Outcome<Calibration> CalibrationDesk::approve(const CalibrationForm &form, const QDate &expires)
{
    if (!m_points)
        return Failure{Failure::InvalidPropertyValue, QString()};
    // Refused before the fit is kept, so that a refusal leaves nothing behind.
    if (!expires.isValid() || expires < QDate::currentDate())
        return Failure{Failure::InvalidPropertyValue,
                       LabTexts::expiresInThePast(expires.toString(Qt::ISODate))};
    const Outcome<Calibration> kept = m_book.fit(m_points->id, form, m_weighted);
    if (!kept)
        return kept;
    const Outcome<Calibration> approved = m_book.approve(kept.value().id, expires);
    emit changed();
    return approved;
}
