#include "flagtexts.h"

#include "resources/language.h"

QString FlagTexts::flag(const QString &code)
{
    // clang-format off
    static const struct { const char *code; const char *english; const char *french; } kFlags[] = {
        {"replicates-disagree", "replicates disagree", "répliques en désaccord"},
        {"incomplete", "readings missing", "lectures manquantes"},
        {"not-kept", "not yet in the record", "pas encore au registre"},
        {"outside-range", "outside the calibrated range", "hors du domaine étalonné"},
        {"no-calibration", "no approved calibration", "aucun étalonnage approuvé"},
        {"no-check", "reader not checked", "lecteur non contrôlé"},
        {"check-failed", "reader failed its check", "lecteur en échec au contrôle"},
        {"certificate-expired", "check standard's certificate expired", "certificat de l'étalon expiré"},
    };
    // clang-format on
    for (const auto &f : kFlags) {
        if (code == QLatin1String(f.code))
            return QString::fromUtf8(currentLanguage() == Language::French ? f.french : f.english);
    }
    return code;
}
