#include "fittexts.h"

#include "resources/language.h"

namespace FitTexts {

QString tooFewPoints(const QString &form, int points, int parameters)
{
    return inLanguage("The form %1 has %2 parameters and needs at least %3 points; there are %4",
                      "La forme %1 a %2 paramètres et demande au moins %3 points ; il y en a %4")
        .arg(form)
        .arg(parameters)
        .arg(parameters + 1)
        .arg(points);
}

QString allXEqual()
{
    return inLanguage("All points have the same x: no curve can be fitted",
                      "Tous les points ont le même x : aucune courbe ne peut être ajustée");
}

QString notConverged(const QString &form)
{
    return inLanguage("The fit of the form %1 does not converge",
                      "L'ajustement de la forme %1 ne converge pas")
        .arg(form);
}

QString parametersUndetermined(const QString &form)
{
    return inLanguage("The points do not determine the parameters of the form %1",
                      "Les points ne déterminent pas les paramètres de la forme %1")
        .arg(form);
}

QString poleAmongPoints(const QString &form)
{
    return inLanguage("The best curve of the form %1 has a pole among the points",
                      "La meilleure courbe de la forme %1 a un pôle parmi les points")
        .arg(form);
}

QString beyondNumbers(const QString &form)
{
    return inLanguage("The form %1 gives numbers on these points that are too large or too small "
                      "to compute; give the points in other units",
                      "La forme %1 donne sur ces points des nombres trop grands ou trop petits "
                      "pour être calculés ; donnez les points dans d'autres unités")
        .arg(form);
}

QString notANumber(int line, const QString &text)
{
    return inLanguage("Line %1: \"%2\" is not a finite number",
                      "Ligne %1 : « %2 » n'est pas un nombre fini")
        .arg(line)
        .arg(text);
}

QString wrongColumns(int line)
{
    return inLanguage("Line %1: expected two or three columns (x y, or x y u)",
                      "Ligne %1 : deux ou trois colonnes attendues (x y, ou x y u)")
        .arg(line);
}

QString uncertaintyNotPositive(int line)
{
    return inLanguage("Line %1: the uncertainty must be greater than zero",
                      "Ligne %1 : l'incertitude doit être supérieure à zéro")
        .arg(line);
}

QString mixedColumns(int line)
{
    return inLanguage("Line %1: some lines give an uncertainty and others do not",
                      "Ligne %1 : certaines lignes donnent une incertitude, d'autres non")
        .arg(line);
}

QString badPoint(int point)
{
    return inLanguage("Point %1 is not finite, or its uncertainty is not positive while others are",
                      "Le point %1 n'est pas fini, ou son incertitude n'est pas positive alors "
                      "que d'autres le sont")
        .arg(point);
}

QString unknownForm(const QString &name)
{
    return inLanguage("Unknown form \"%1\": polynomial:1 to polynomial:4, power, rational, "
                      "exponential or hyperbolic",
                      "Forme inconnue « %1 » : polynomial:1 à polynomial:4, power, rational, "
                      "exponential ou hyperbolic")
        .arg(name);
}

} // namespace FitTexts
