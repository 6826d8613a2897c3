#include "holdtext.h"

#include "stablecapture.h"

#include "resources/language.h"

#include <QLocale>

namespace {

QString absorbance(double value)
{
    return QLocale().toString(value, 'f', 3);
}

} // namespace

QString holdText(const StableCapture &capture)
{
    const CaptureRules &rules = capture.rules();
    const Reading *last = capture.lastReading();
    switch (capture.hold()) {
    case StableCapture::Hold::None: return {};
    case StableCapture::Hold::NoReading:
        return inLanguage("No reading yet", "Pas encore de lecture");
    case StableCapture::Hold::NotOk:
        return inLanguage(
            "A recent reading is no measurement (under or over range, damaged or none)",
            "Une lecture récente n'est pas une mesure (hors plage, endommagée ou absente)");
    case StableCapture::Hold::OtherWavelength:
        if (rules.wavelength == 0)
            return inLanguage("The wavelength changed: settling again",
                              "La longueur d'onde a changé : nouvelle stabilisation");
        return inLanguage("The reader is at %1 nm, the session at %2 nm: nothing is taken",
                          "Le lecteur est à %1 nm, la séance à %2 nm : rien n'est pris")
            .arg(last->wavelength)
            .arg(rules.wavelength);
    case StableCapture::Hold::BelowThreshold:
        return inLanguage("No film in the holder (below %1)",
                          "Pas de film dans le support (sous %1)")
            .arg(absorbance(rules.threshold));
    case StableCapture::Hold::Settling:
        return inLanguage("Settling: fewer than %1 readings",
                          "Stabilisation : moins de %1 lectures")
            .arg(rules.window);
    case StableCapture::Hold::Unsteady:
        return inLanguage("Not stable: the last %1 readings are %2 apart (at most %3)",
                          "Pas stable : les %1 dernières lectures s'écartent de %2 (au plus %3)")
            .arg(rules.window)
            .arg(absorbance(capture.spread()), absorbance(rules.tolerance));
    }
    return {};
}
