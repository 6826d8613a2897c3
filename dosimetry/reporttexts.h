#pragma once

#include <QString>

// The session report's texts, in the user's language.
namespace ReportTexts {

enum class Text {
    Title,
    Session,
    Started,
    Operator,
    Purpose,
    Batch,
    Reader,
    Wavelength,
    Background,
    Calibration,
    NoCalibration,
    DayCheck,
    NoDayCheck,
    Passed,
    Failed,
    Results,
    Flags,
    Signatures,
    NoSignatures,
    Ended,
    NotEnded,
};

QString text(Text which);
// "polynomial:3, version 2, approved by ana on …, valid until …"
QString calibration(qint64 id, const QString &form, int version, const QString &approvedBy,
                    const QString &approvedAt, const QString &expires);
QString dayCheck(const QString &standard, const QString &time, const QString &measured,
                 const QString &certified, const QString &tolerance, bool passed);
QString signature(const QString &meaning, const QString &user, const QString &time);
QString page(int number, int count);

} // namespace ReportTexts
