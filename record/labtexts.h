#pragma once

#include <QDate>
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
QString uncertaintyNegative(const QString &value);
QString noPoints(qint64 id);
QString noCalibration(qint64 id);
QString notAPointsEntry(qint64 id);
QString noResultFor(const QString &dosimeter, qint64 session);
QString noDoseGiven(int line);
QString alreadyApproved(qint64 id);
QString expiresInThePast(const QString &day);
QString factorOfUnapproved(qint64 id);
QString factorNotPositive(const QString &value);
QString unweightedPoint(const QString &dosimeter);
QString badStandard();
QString notEnded(qint64 session);
QString reviewOwnSession(qint64 session);
QString alreadySigned(qint64 session, const QString &meaning);
QString standardExists(const QString &id);
QString noStandard(const QString &id);
QString certificateExpired(const QString &id, const QDate &on);

} // namespace LabTexts
