#include "windowtexts.h"

#include "dosimetry/flagtexts.h"
#include "resources/language.h"

#include <QLocale>

namespace WindowTexts {

QString text(Text which)
{
    // clang-format off
    static const struct { Text which; const char *english; const char *french; } kTexts[] = {
        {Text::Title, "ZAV41K Dosimetry", "ZAV41K Dosimetry"},
        {Text::SessionTitle, "New session", "Nouvelle séance"},
        {Text::Reading, "Reading", "Lecture"},
        {Text::Dosimeter, "&Dosimeter ID:", "&Dosimètre :"},
        {Text::Thickness, "&Thickness (µm):", "É&paisseur (µm) :"},
        {Text::CaptureKey, "Space takes the settled value now", "Espace prend la valeur stable maintenant"},
        {Text::Results, "Results", "Résultats"},
        {Text::Id, "ID", "ID"},
        {Text::Absorbance, "A", "A"},
        {Text::Readings, "Readings", "Lectures"},
        {Text::Spread, "Spread", "Écart"},
        {Text::Background, "A0", "A0"},
        {Text::ThicknessColumn, "t (µm)", "t (µm)"},
        {Text::Specific, "Δk (1/mm)", "Δk (1/mm)"},
        {Text::Flags, "Flags", "Signalements"},
        {Text::Trend, "Last minute", "Dernière minute"},
        {Text::Batch, "&Batch:", "&Lot :"},
        {Text::Reader, "&Reader:", "Le&cteur :"},
        {Text::Wavelength, "&Wavelength:", "Longueur d'&onde :"},
        {Text::Replicates, "Readings per &dosimeter:", "Lectures par &dosimètre :"},
        {Text::Purpose, "&Purpose:", "&Objet :"},
        {Text::Start, "&Start", "&Commencer"},
        {Text::Cancel, "Cancel", "Annuler"},
        {Text::NoReaders, "Register a reader and a film batch first (zav41k-dosimetry reader add, batch add, background).",
                          "Enregistrez d'abord un lecteur et un lot de films (zav41k-dosimetry reader add, batch add, background)."},
        {Text::IdUsedTitle, "Dosimeter ID used", "ID de dosimètre déjà utilisé"},
        {Text::IdUsed, "%1 already has readings in this session. Read it again?",
                       "%1 a déjà des lectures dans cette séance. Le relire ?"},
        {Text::IdNotCounted, "IDs after %1 cannot be counted on: type each one", "Les ID après %1 ne peuvent être comptés : tapez chacun"},
        {Text::WaitingForSource, "ZAV41K is not running", "ZAV41K ne tourne pas"},
        {Text::Dose, "D (kGy)", "D (kGy)"},
        {Text::DoseUncertainty, "U (kGy, k = 2)", "U (kGy, k = 2)"},
        {Text::CalibrationTitle, "ZAV41K Dosimetry: calibration", "ZAV41K Dosimetry : étalonnage"},
        {Text::PointSet, "&Points:", "&Points :"},
        {Text::ImportFile, "&Import a file…", "&Importer un fichier…"},
        {Text::FromSession, "From a &session…", "D'une &séance…"},
        {Text::Weighted, "&Weighted by the doses' uncertainties", "&Pondéré par les incertitudes des doses"},
        {Text::Form, "Form", "Forme"},
        {Text::Rms, "Dose residuals, RMS (%)", "Résidus de dose, RMS (%)"},
        {Text::ResidualSd, "s (of y)", "s (de y)"},
        {Text::DegreesOfFreedom, "DoF", "DDL"},
        {Text::LackOfFitP, "Lack of fit, p", "Défaut d'ajustement, p"},
        {Text::Parameter, "Parameter", "Paramètre"},
        {Text::Value, "Value", "Valeur"},
        {Text::StandardError, "Standard error", "Erreur type"},
        {Text::DoseAxis, "Dose (kGy)", "Dose (kGy)"},
        {Text::ResponseAxis, "Δk (1/mm)", "Δk (1/mm)"},
        {Text::ResidualAxis, "Residual (%)", "Résidu (%)"},
        {Text::CurveTitle, "Points and curve", "Points et courbe"},
        {Text::ResidualTitle, "Dose residuals", "Résidus de dose"},
        {Text::VariationLimit, "CV limit (%):", "Limite du CV (%) :"},
        {Text::Approve, "&Approve…", "&Approuver…"},
        {Text::ApproveQuestion, "Approve the form %1 through points %2 as %3? The calibration is then frozen in the record.",
                                "Approuver la forme %1 par les points %2 en tant que %3 ? L'étalonnage est alors figé au registre."},
        {Text::Expires, "&Valid until:", "&Valable jusqu'au :"},
        {Text::EndSession, "&End and sign…", "&Terminer et signer…"},
        {Text::EndQuestion, "End session %1 and sign it \"performed\" as %2? It takes no more captures.",
                            "Terminer la séance %1 et la signer « réalisée » en tant que %2 ? Elle ne prendra plus de mesures."},
        {Text::Report, "&Report…", "&Rapport…"},
        {Text::ReportWritten, "Report written to %1", "Rapport écrit dans %1"},
        {Text::Calibrations, "Calibrations", "Étalonnages"},
        {Text::State, "State", "État"},
        {Text::AwaitingApproval, "awaiting approval", "en attente d'approbation"},
        {Text::ApprovedBy, "approved by %1, until %2", "approuvé par %1, jusqu'au %2"},
        {Text::Expired, "expired %1", "expiré le %1"},
        {Text::NoPoints, "No calibration points yet: import a file or take them from a session.",
                         "Pas encore de points d'étalonnage : importez un fichier ou prenez-les d'une séance."},
        {Text::Session, "&Session:", "&Séance :"},
        {Text::DoseUnit, "&Unit:", "&Unité :"},
        {Text::ImportTitle, "Calibration points from a file", "Points d'étalonnage d'un fichier"},
        {Text::SessionDosesTitle, "Calibration points from a session", "Points d'étalonnage d'une séance"},
        {Text::Load, "&Load", "&Charger"},
        {Text::Ok, "OK", "OK"},
        {Text::File, "&File:", "&Fichier :"},
        {Text::Variation, "CV (%)", "CV (%)"},
        {Text::Count, "n", "n"},
        {Text::GivenDose, "Dose given", "Dose reçue"},
        {Text::GivenUncertainty, "Its uncertainty (k = 1)", "Son incertitude (k = 1)"},
        {Text::CalibrationSubject, "Batch, reader, wavelength", "Lot, lecteur, longueur d'onde"},
        {Text::Certified, "certified", "certifiée"},
        {Text::Tolerance, "tolerance", "tolérance"},
        {Text::Mean, "mean", "moyenne"},
        {Text::ControlLimits, "limits (mean ± 2.66 MR)", "limites (moyenne ± 2,66 MR)"},
        {Text::CheckFailed, "failed", "en échec"},
        {Text::CheckReading, "reading", "lecture"},
        {Text::CheckNumber, "Check", "Contrôle"},
        {Text::ChecksTitle, "%1 at %2 nm, certified %3", "%1 à %2 nm, certifiée %3"},
        {Text::ChecksWindowTitle, "ZAV41K Dosimetry: day's checks", "ZAV41K Dosimetry : contrôles du jour"},
        {Text::Standard, "&Check standard:", "&Étalon de contrôle :"},
        {Text::NoStandards, "No check standard yet: zav41k-dosimetry check add.", "Pas encore d'étalon de contrôle : zav41k-dosimetry check add."},
        {Text::TooFewChecks, "%1 checks: the limits are drawn from %2 on", "%1 contrôles : les limites sont tracées à partir de %2"},
        {Text::LimitsLine, "%1 checks: mean %2, average moving range %3, limits %4 to %5", "%1 contrôles : moyenne %2, étendue mobile moyenne %3, limites %4 à %5"},
    };
    // clang-format on
    for (const auto &t : kTexts) {
        if (t.which == which)
            return QString::fromUtf8(currentLanguage() == Language::French ? t.french : t.english);
    }
    return {};
}

QString flag(const QString &code)
{
    return FlagTexts::flag(code);
}

QString pointsLine(qint64 id, const QString &batch, const QString &reader, quint32 wavelength,
                   int films, const QString &source)
{
    const bool french = currentLanguage() == Language::French;
    return (french ? QStringLiteral("%1 : lot %2, lecteur %3, %4 nm, %5 films (%6)")
                   : QStringLiteral("%1: batch %2, reader %3, %4 nm, %5 films (%6)"))
        .arg(id)
        .arg(batch, reader)
        .arg(wavelength)
        .arg(films)
        .arg(source);
}

QString sessionLine(qint64 id, const QString &batch, const QString &reader, quint32 wavelength,
                    double background, const QString &operatorName)
{
    const bool french = currentLanguage() == Language::French;
    return (french ? QStringLiteral("Séance %1 : lot %2, lecteur %3, %4 nm, A0 %5, opérateur %6")
                   : QStringLiteral("Session %1: batch %2, reader %3, %4 nm, A0 %5, operator %6"))
        .arg(id)
        .arg(batch, reader)
        .arg(wavelength)
        .arg(QLocale().toString(background, 'f', 4), operatorName);
}

} // namespace WindowTexts
