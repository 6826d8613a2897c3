#pragma once

#include <QString>

// What the lab book says when it refuses, in the user's language.
namespace LabTexts {

QString readerExists(const QString &name);
QString noReader(const QString &name);
QString batchExists(const QString &name);
QString noBatch(const QString &name);
QString thicknessNotPositive(const QString &value);
QString noBackground(const QString &batch, quint32 wavelength);
QString noCaptures();
QString noSession(qint64 id);
QString sessionEnded(qint64 id);
QString emptyName();
QString noReason();
QString noCapturesOf(const QString &dosimeter, qint64 session);

} // namespace LabTexts
