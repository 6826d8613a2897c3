#include "command.h"

#include "fit/curvefit.h"
#include "fit/fitjson.h"
#include "fit/fittexts.h"
#include "fit/pointsfile.h"
#include "record/calibrationbook.h"
#include "record/calibrationcsv.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString tenDigits(double v)
{
    return QString::number(v, 'g', 10);
}

void printFit(QTextStream &out, const FitResult &fit)
{
    out << fit.form.name() << ": " << fit.observations << " points, " << fit.degreesOfFreedom
        << " degrees of freedom" << (fit.weighted ? ", weighted" : "") << Qt::endl;
    for (const FitParameter &p : fit.parameters)
        out << p.name << " = " << tenDigits(p.value) << " (standard error "
            << tenDigits(p.standardError) << ")" << Qt::endl;
    out << "residual sum of squares " << tenDigits(fit.residualSumOfSquares) << Qt::endl
        << "residual standard deviation " << tenDigits(fit.residualStandardDeviation) << Qt::endl;
    for (const DoseLevel &l : fit.levels)
        out << "dose " << tenDigits(l.dose) << ": " << l.count
            << " points, coefficient of variation " << QString::number(l.variation, 'f', 2) << " %"
            << Qt::endl;
    if (fit.lackOfFit)
        out << "lack of fit F(" << fit.lackOfFit->degreesOfFreedom << ", "
            << fit.lackOfFit->pureErrorDegreesOfFreedom << ") = " << tenDigits(fit.lackOfFit->f)
            << ", p = " << QString::number(fit.lackOfFit->p, 'g', 3) << Qt::endl;
}

QJsonObject calibrationJson(const Calibration &c)
{
    QJsonObject o = FitJson::toJson(c.fit);
    o.insert(QStringLiteral("calibration"), c.id);
    o.insert(QStringLiteral("version"), c.version);
    o.insert(QStringLiteral("points"), c.points);
    o.insert(QStringLiteral("batch"), c.batch);
    o.insert(QStringLiteral("reader"), c.reader);
    o.insert(QStringLiteral("wavelength"), qint64(c.wavelength));
    o.insert(QStringLiteral("delta_k_range_per_mm"), QJsonArray{c.lowResponse, c.highResponse});
    o.insert(QStringLiteral("dose_range_gy"), QJsonArray{c.lowDose, c.highDose});
    o.insert(QStringLiteral("reference_uncertainty"), c.referenceUncertainty);
    o.insert(QStringLiteral("factor"), c.factor);
    o.insert(QStringLiteral("fitted_by"), c.fittedBy);
    o.insert(QStringLiteral("fitted_at"), c.fittedAt);
    if (c.isApproved()) {
        o.insert(QStringLiteral("approved_by"), c.approvedBy);
        o.insert(QStringLiteral("approved_at"), c.approvedAt);
        o.insert(QStringLiteral("expires"), c.expires.toString(Qt::ISODate));
    }
    return o;
}

QString state(const Calibration &c)
{
    if (!c.isApproved())
        return QStringLiteral("awaiting approval");
    return QStringLiteral("approved by %1 at %2, %3 %4")
        .arg(c.approvedBy, c.approvedAt,
             c.expires < QDate::currentDate() ? QStringLiteral("expired") : QStringLiteral("until"),
             c.expires.toString(Qt::ISODate));
}

} // namespace

int Command::fit()
{
    if (!takes(2, {"form", "json"}) || !required({"form"}))
        return 2;
    const std::optional<CalibrationForm> form = CalibrationForm::parse(value("form"));
    if (!form)
        return usage(FitTexts::unknownForm(value("form")));
    QFile file(m_words.at(1));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return failed(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    const Outcome<QList<FitPoint>> points = PointsFile::parse(QString::fromUtf8(file.readAll()));
    if (!points)
        return failed(QStringLiteral("%1: %2").arg(file.fileName(), points.failure().description));
    const Outcome<FitResult> fitted = CurveFit::fit(*form, points.value());
    if (!fitted)
        return failed(fitted.failure().description);
    if (m_parser.isSet(QStringLiteral("json")))
        m_out << QJsonDocument(FitJson::toJson(fitted.value())).toJson(QJsonDocument::Compact)
              << Qt::endl;
    else
        printFit(m_out, fitted.value());
    return 0;
}

int Command::calibrationImport()
{
    if (!takes(3, {"session", "batch", "reader", "wavelength"}))
        return 2;
    const bool fromSession = m_parser.isSet(QStringLiteral("session"));
    std::optional<qint64> session;
    std::optional<quint32> nm;
    if (fromSession) {
        if (m_parser.isSet(QStringLiteral("batch")) || m_parser.isSet(QStringLiteral("reader")) ||
            m_parser.isSet(QStringLiteral("wavelength")))
            return usage(QStringLiteral("a session names its batch, reader and wavelength"));
        if (!(session = id(value("session"), "a session")))
            return 2;
    } else if (!required({"batch", "reader", "wavelength"}) || !(nm = wavelength())) {
        return 2;
    }
    QFile file(m_words.at(2));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return failed(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    const Outcome<QList<CalibrationPoint>> read =
        CalibrationCsv::parse(QString::fromUtf8(file.readAll()), !fromSession);
    if (!read)
        return failed(QStringLiteral("%1: %2").arg(file.fileName(), read.failure().description));
    if (!openRecord())
        return 1;
    CalibrationBook book(*m_record);
    const Outcome<CalibrationPoints> kept =
        fromSession ? book.addSessionPoints(*session, read.value())
                    : book.addPoints({0, value("batch"), value("reader"), *nm,
                                      QFileInfo(file).fileName(), read.value()});
    if (!kept)
        return failed(kept.failure().description);
    const CalibrationPoints &p = kept.value();
    m_out << p.points.size() << " calibration points of batch " << p.batch << " on reader "
          << p.reader << " at " << p.wavelength << " nm" << Qt::endl
          << p.id << Qt::endl;
    return 0;
}

int Command::calibrationFit()
{
    if (!takes(2, {"points", "form", "weighted", "json"}) || !required({"points", "form"}))
        return 2;
    const std::optional<qint64> points = id(value("points"), "calibration points");
    if (!points)
        return 2;
    const std::optional<CalibrationForm> form = CalibrationForm::parse(value("form"));
    if (!form)
        return usage(FitTexts::unknownForm(value("form")));
    if (!openRecord())
        return 1;
    const Outcome<Calibration> c =
        CalibrationBook(*m_record).fit(*points, *form, m_parser.isSet(QStringLiteral("weighted")));
    if (!c)
        return failed(c.failure().description);
    if (m_parser.isSet(QStringLiteral("json"))) {
        m_out << QJsonDocument(calibrationJson(c.value())).toJson(QJsonDocument::Compact)
              << Qt::endl;
        return 0;
    }
    printFit(m_out, c.value().fit);
    m_out << "calibration " << c.value().id << ", awaiting approval" << Qt::endl
          << c.value().id << Qt::endl;
    return 0;
}

int Command::calibrationApprove()
{
    if (!takes(2, {"calibration", "expires"}) || !required({"calibration", "expires"}))
        return 2;
    const std::optional<qint64> calibration = id(value("calibration"), "a calibration");
    if (!calibration)
        return 2;
    const QDate expires = QDate::fromString(value("expires"), Qt::ISODate);
    if (!expires.isValid())
        return usage(
            QStringLiteral("--expires is a date, YYYY-MM-DD (not \"%1\")").arg(value("expires")));
    if (!openRecord())
        return 1;
    const Outcome<Calibration> c = CalibrationBook(*m_record).approve(*calibration, expires);
    if (!c)
        return failed(c.failure().description);
    m_out << "calibration " << c.value().id << " " << state(c.value()) << Qt::endl;
    return 0;
}

int Command::calibrationFactor()
{
    if (!takes(2, {"calibration", "factor", "reason"}) ||
        !required({"calibration", "factor", "reason"}))
        return 2;
    const std::optional<qint64> calibration = id(value("calibration"), "a calibration");
    const std::optional<double> factor = positive("factor", 1);
    if (!calibration || !factor)
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<Calibration> c =
        CalibrationBook(*m_record).addFactor(*calibration, *factor, value("reason"));
    if (!c)
        return failed(c.failure().description);
    m_out << "calibration " << c.value().id << ": version " << c.value().version << " of "
          << *calibration << " with the factor " << tenDigits(*factor) << ", awaiting approval"
          << Qt::endl
          << c.value().id << Qt::endl;
    return 0;
}

int Command::calibrationList()
{
    if (!takes(2, {"json"}))
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<QList<Calibration>> all = CalibrationBook(*m_record).calibrations();
    if (!all)
        return failed(all.failure().description);
    for (const Calibration &c : all.value()) {
        if (m_parser.isSet(QStringLiteral("json"))) {
            m_out << QJsonDocument(calibrationJson(c)).toJson(QJsonDocument::Compact) << Qt::endl;
            continue;
        }
        m_out << c.id << "\tversion " << c.version << "\t" << c.batch << "\t" << c.reader << "\t"
              << c.wavelength << " nm\t" << c.fit.form.name() << "\tΔk " << tenDigits(c.lowResponse)
              << " to " << tenDigits(c.highResponse) << " per mm\t" << tenDigits(c.lowDose)
              << " to " << tenDigits(c.highDose) << " Gy\t" << state(c) << Qt::endl;
    }
    return 0;
}
