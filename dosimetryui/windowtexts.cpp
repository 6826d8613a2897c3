#include "windowtexts.h"

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
    // clang-format off
    static const struct { const char *code; const char *english; const char *french; } kFlags[] = {
        {"replicates-disagree", "replicates disagree", "répliques en désaccord"},
        {"incomplete", "readings missing", "lectures manquantes"},
        {"not-kept", "not yet in the record", "pas encore au registre"},
    };
    // clang-format on
    for (const auto &f : kFlags) {
        if (code == QLatin1String(f.code))
            return QString::fromUtf8(currentLanguage() == Language::French ? f.french : f.english);
    }
    return code;
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
