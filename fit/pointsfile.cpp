#include "pointsfile.h"

#include "fittexts.h"

#include <QRegularExpression>

#include <cmath>

namespace PointsFile {

Outcome<QList<FitPoint>> parse(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    QList<FitPoint> points;
    const QStringList lines = text.split(QLatin1Char('\n'));
    int columns = 0;
    for (int number = 1; number <= int(lines.size()); ++number) {
        QString line = lines[number - 1];
        line.truncate(line.indexOf(QLatin1Char('#')) < 0 ? line.size()
                                                         : line.indexOf(QLatin1Char('#')));
        const QStringList fields = line.trimmed().split(separators, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        if (fields.size() < 2 || fields.size() > 3)
            return Failure{Failure::InvalidPropertyValue, FitTexts::wrongColumns(number)};
        if (columns != 0 && fields.size() != columns)
            return Failure{Failure::InvalidPropertyValue, FitTexts::mixedColumns(number)};
        columns = int(fields.size());
        double values[3] = {0, 0, 0};
        for (int i = 0; i < columns; ++i) {
            bool ok = false;
            values[i] = fields[i].toDouble(&ok);
            if (!ok || !std::isfinite(values[i]))
                return Failure{Failure::InvalidPropertyValue,
                               FitTexts::notANumber(number, fields[i])};
        }
        if (columns == 3 && !(values[2] > 0))
            return Failure{Failure::InvalidPropertyValue, FitTexts::uncertaintyNotPositive(number)};
        points << FitPoint{values[0], values[1], values[2]};
    }
    return points;
}

} // namespace PointsFile
