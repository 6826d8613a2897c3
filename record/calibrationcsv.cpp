#include "calibrationcsv.h"

#include "refusal.h"

#include "resources/language.h"

#include <cmath>

namespace {

QString missingColumn(const QString &names)
{
    return inLanguage("The header line names no column %1",
                      "La ligne d'en-tête ne nomme pas de colonne %1")
        .arg(names);
}

QString badValue(int line, const QString &column)
{
    return inLanguage("Line %1: no valid %2", "Ligne %1 : pas de %2 valable").arg(line).arg(column);
}

} // namespace

Outcome<QList<CalibrationPoint>> CalibrationCsv::parse(const QString &text, bool withResponse)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    QStringList header;
    int line = 0;
    while (header.isEmpty() && line < lines.size()) {
        const QString l = lines[line++].trimmed();
        if (!l.isEmpty() && !l.startsWith(QLatin1Char('#')))
            header = l.split(QLatin1Char(','));
    }
    for (QString &name : header)
        name = name.trimmed().toLower();
    // A column's index and the factor to Gy.
    const auto find = [&header](const char *gy, const char *kgy) -> std::pair<int, double> {
        if (const int i = int(header.indexOf(QLatin1String(gy))); i >= 0)
            return {i, 1};
        return {int(header.indexOf(QLatin1String(kgy))), 1000};
    };
    const int dosimeter = int(header.indexOf(QLatin1String("dosimeter")));
    const auto [dose, doseScale] = find("dose_gy", "dose_kgy");
    const auto [uncertainty, uncertaintyScale] =
        find("dose_uncertainty_gy", "dose_uncertainty_kgy");
    const int response = int(header.indexOf(QLatin1String("delta_k_per_mm")));
    if (dosimeter < 0)
        return refused(missingColumn(QStringLiteral("dosimeter")));
    if (dose < 0)
        return refused(missingColumn(QStringLiteral("dose_gy / dose_kgy")));
    if (withResponse && response < 0)
        return refused(missingColumn(QStringLiteral("delta_k_per_mm")));
    QList<CalibrationPoint> points;
    for (; line < lines.size(); ++line) {
        const QString l = lines[line].trimmed();
        if (l.isEmpty() || l.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = l.split(QLatin1Char(','));
        const auto value = [&](int column, double scale, bool any, double &out) {
            bool ok = column < 0;
            out = column < 0 ? 0 : fields.value(column).trimmed().toDouble(&ok) * scale;
            return ok && std::isfinite(out) && (any || out >= 0);
        };
        CalibrationPoint p;
        p.dosimeter = fields.value(dosimeter).trimmed();
        if (p.dosimeter.isEmpty())
            return refused(badValue(line + 1, header.value(dosimeter)));
        if (!value(dose, doseScale, false, p.dose))
            return refused(badValue(line + 1, header.value(dose)));
        if (!value(uncertainty, uncertaintyScale, false, p.doseUncertainty))
            return refused(badValue(line + 1, header.value(uncertainty)));
        if (withResponse && !value(response, 1, true, p.response))
            return refused(badValue(line + 1, header.value(response)));
        points << p;
    }
    return points;
}
