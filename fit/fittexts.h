#pragma once

#include <QString>

// Why a curve could not be fitted, in the user's language.
namespace FitTexts {

QString tooFewPoints(const QString &form, int points, int parameters);
QString allXEqual();
QString notConverged(const QString &form);
QString parametersUndetermined(const QString &form);
QString poleAmongPoints(const QString &form);
QString beyondNumbers(const QString &form);
QString notANumber(int line, const QString &text);
QString wrongColumns(int line);
QString uncertaintyNotPositive(int line);
QString mixedColumns(int line);
QString badPoint(int point);
QString unknownForm(const QString &name);

} // namespace FitTexts
