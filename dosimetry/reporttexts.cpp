#include "reporttexts.h"

#include "resources/language.h"

namespace ReportTexts {

QString text(Text which)
{
    // clang-format off
    static const struct { Text which; const char *english; const char *french; } kTexts[] = {
        {Text::Title, "Dosimetry session report", "Rapport de séance de dosimétrie"},
        {Text::Session, "Session", "Séance"},
        {Text::Started, "Started", "Commencée"},
        {Text::Operator, "Operator", "Opérateur"},
        {Text::Purpose, "Purpose", "Objet"},
        {Text::Batch, "Film batch", "Lot de films"},
        {Text::Reader, "Reader", "Lecteur"},
        {Text::Wavelength, "Wavelength", "Longueur d'onde"},
        {Text::Background, "Background A0", "Fond A0"},
        {Text::Calibration, "Calibration", "Étalonnage"},
        {Text::NoCalibration, "none", "aucun"},
        {Text::DayCheck, "Day's check", "Contrôle du jour"},
        {Text::NoDayCheck, "none within the reader's period", "aucun dans la période du lecteur"},
        {Text::Passed, "passed", "réussi"},
        {Text::Failed, "failed", "échoué"},
        {Text::Results, "Results (dose and U in Gy, U with k = 2)", "Résultats (dose et U en Gy, U avec k = 2)"},
        {Text::Flags, "Flags", "Signalements"},
        {Text::Signatures, "Signatures", "Signatures"},
        {Text::NoSignatures, "none", "aucune"},
        {Text::Ended, "ended", "terminée"},
        {Text::NotEnded, "not ended", "non terminée"},
    };
    // clang-format on
    for (const auto &t : kTexts) {
        if (t.which == which)
            return inLanguage(t.english, t.french);
    }
    return {};
}

QString calibration(qint64 id, const QString &form, int version, const QString &approvedBy,
                    const QString &approvedAt, const QString &expires)
{
    return inLanguage("%1 (entry %2), version %3, approved by %4 on %5, valid until %6",
                      "%1 (entrée %2), version %3, approuvé par %4 le %5, valable jusqu'au %6")
        .arg(form)
        .arg(id)
        .arg(version)
        .arg(approvedBy, approvedAt, expires);
}

QString dayCheck(const QString &standard, const QString &time, const QString &measured,
                 const QString &certified, const QString &tolerance, bool passed)
{
    return inLanguage("%1 on %2: %3 against %4 ± %5, %6", "%1 le %2 : %3 pour %4 ± %5, %6")
        .arg(standard, time, measured, certified, tolerance,
             text(passed ? Text::Passed : Text::Failed));
}

QString signature(const QString &meaning, const QString &user, const QString &time)
{
    static const struct {
        const char *code;
        const char *english;
        const char *french;
    } kMeanings[] = {
        {"performed", "Performed", "Réalisée"},
        {"reviewed", "Reviewed", "Revue"},
        {"approved", "Approved", "Approuvé"},
    };
    QString said = meaning;
    for (const auto &m : kMeanings) {
        if (meaning == QLatin1String(m.code))
            said = inLanguage(m.english, m.french);
    }
    return inLanguage("%1 by %2 on %3", "%1 par %2 le %3").arg(said, user, time);
}

QString page(int number, int count)
{
    return inLanguage("Page %1 of %2", "Page %1 sur %2").arg(number).arg(count);
}

} // namespace ReportTexts
