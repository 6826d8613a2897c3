#include "command.h"

#include "record/capturejson.h"
#include "record/checkbook.h"

#include <QJsonDocument>

namespace {

QString fourPlaces(double v)
{
    return QString::number(v, 'f', 4);
}

QString line(const DayCheck &c)
{
    return QStringLiteral("%1\t%2\t%3\t%4 nm\t%5\t%6 ± %7\t%8\t%9")
        .arg(c.time, c.standard, c.reader)
        .arg(c.wavelength)
        .arg(fourPlaces(c.measured.absorbance), fourPlaces(c.certified), fourPlaces(c.tolerance),
             c.passed ? QStringLiteral("passed") : QStringLiteral("FAILED"), c.user);
}

QJsonObject json(const DayCheck &c)
{
    return {{QStringLiteral("entry"), c.entry},
            {QStringLiteral("time"), c.time},
            {QStringLiteral("user"), c.user},
            {QStringLiteral("standard"), c.standard},
            {QStringLiteral("reader"), c.reader},
            {QStringLiteral("wavelength"), qint64(c.wavelength)},
            {QStringLiteral("certified"), c.certified},
            {QStringLiteral("tolerance"), c.tolerance},
            {QStringLiteral("certificate_expires"), c.certificateExpires.toString(Qt::ISODate)},
            {QStringLiteral("measured"), CaptureJson::toJson(c.measured)},
            {QStringLiteral("passed"), c.passed}};
}

} // namespace

int Command::checkAdd()
{
    if (!takes(3, {"wavelength", "certified", "tolerance", "expires"}) ||
        !required({"wavelength", "certified", "tolerance", "expires"}))
        return 2;
    const std::optional<quint32> nm = wavelength();
    const std::optional<double> certified = positive("certified", 0);
    const std::optional<double> tolerance = positive("tolerance", 0);
    const QDate expires = QDate::fromString(value("expires"), Qt::ISODate);
    if (!nm || !certified || !tolerance)
        return 2;
    if (!expires.isValid())
        return usage(
            QStringLiteral("--expires is a date, YYYY-MM-DD (not \"%1\")").arg(value("expires")));
    if (!openRecord())
        return 1;
    const Outcome<CheckStandard> added =
        CheckBook(*m_record).addStandard({m_words.at(2), *nm, *certified, *tolerance, expires});
    if (!added)
        return failed(added.failure().description);
    m_out << "check standard " << added.value().id << " added" << Qt::endl;
    return 0;
}

int Command::checkRun()
{
    if (!takes(2, {"standard", "reader"}) || !required({"standard", "reader"}))
        return 2;
    if (!openRecord())
        return 1;
    CheckBook checks(*m_record);
    const Outcome<CheckStandard> standard = checks.standard(value("standard"));
    if (!standard)
        return failed(standard.failure().description);
    const Outcome<ReaderInfo> reader = m_book->reader(value("reader"));
    if (!reader)
        return failed(reader.failure().description);
    if (standard.value().certificateExpires < QDate::currentDate())
        return failed(QStringLiteral("the certificate of %1 expired on %2")
                          .arg(standard.value().id,
                               standard.value().certificateExpires.toString(Qt::ISODate)));
    CaptureRules rules;
    rules.wavelength = standard.value().wavelength;
    rules.threshold = reader.value().threshold;
    CaptureRun::Plan plan;
    plan.count = 1;
    QList<Capture> taken;
    if (const int status = followReadings(rules, plan, &taken); status != 0)
        return status;
    const Outcome<DayCheck> kept =
        checks.addCheck(standard.value().id, reader.value().name, taken.value(0));
    if (!kept)
        return failed(kept.failure().description);
    m_out << line(kept.value()) << Qt::endl;
    return kept.value().passed ? 0 : 1;
}

int Command::checkList()
{
    if (!takes(2, {"standard", "json"}))
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<QList<DayCheck>> all = CheckBook(*m_record).checks(value("standard"));
    if (!all)
        return failed(all.failure().description);
    for (const DayCheck &c : all.value()) {
        if (m_parser.isSet(QStringLiteral("json")))
            m_out << QJsonDocument(json(c)).toJson(QJsonDocument::Compact) << Qt::endl;
        else
            m_out << line(c) << Qt::endl;
    }
    return 0;
}
