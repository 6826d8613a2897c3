#pragma once

#include <QString>

// The dosimetry windows' own texts, in the user's language.
namespace WindowTexts {

enum class Text {
    Title,
    SessionTitle,
    Reading,
    Dosimeter,
    Thickness,
    CaptureKey,
    Results,
    Id,
    Absorbance,
    Readings,
    Spread,
    Background,
    ThicknessColumn,
    Specific,
    Flags,
    Trend,
    Batch,
    Reader,
    Wavelength,
    Replicates,
    Purpose,
    Start,
    Cancel,
    NoReaders,
    IdUsedTitle,
    IdUsed,
    IdNotCounted,
    WaitingForSource,
    Dose,
    DoseUncertainty,
    CalibrationTitle,
    PointSet,
    ImportFile,
    FromSession,
    Weighted,
    Form,
    Rms,
    ResidualSd,
    DegreesOfFreedom,
    LackOfFitP,
    Parameter,
    Value,
    StandardError,
    DoseAxis,
    ResponseAxis,
    ResidualAxis,
    CurveTitle,
    ResidualTitle,
    VariationLimit,
    Approve,
    ApproveQuestion,
    Expires,
    Calibrations,
    State,
    AwaitingApproval,
    ApprovedBy,
    Expired,
    NoPoints,
    Session,
    DoseUnit,
    ImportTitle,
    SessionDosesTitle,
    Load,
    Ok,
    File,
    Variation,
    Count,
    GivenDose,
    GivenUncertainty,
    CalibrationSubject,
};

QString text(Text which);
// A result's flag, as the record names it, in words.
QString flag(const QString &code);
// "12: batch B1, reader R1, 510 nm, 30 films (session 7)"
QString pointsLine(qint64 id, const QString &batch, const QString &reader, quint32 wavelength,
                   int films, const QString &source);
// "Session 12: batch B1, reader R1, 510 nm, A0 0.182, operator lab"
QString sessionLine(qint64 id, const QString &batch, const QString &reader, quint32 wavelength,
                    double background, const QString &operatorName);

} // namespace WindowTexts
