#include "labtexts.h"

#include "resources/language.h"

namespace LabTexts {

QString readerExists(const QString &name)
{
    return inLanguage("A reader named \"%1\" is already registered",
                      "Un lecteur nommé « %1 » est déjà enregistré")
        .arg(name);
}

QString noReader(const QString &name)
{
    return inLanguage("No reader named \"%1\" is registered",
                      "Aucun lecteur nommé « %1 » n'est enregistré")
        .arg(name);
}

QString batchExists(const QString &name)
{
    return inLanguage("A film batch named \"%1\" is already registered",
                      "Un lot de films nommé « %1 » est déjà enregistré")
        .arg(name);
}

QString noBatch(const QString &name)
{
    return inLanguage("No film batch named \"%1\" is registered",
                      "Aucun lot de films nommé « %1 » n'est enregistré")
        .arg(name);
}

QString thicknessNotPositive(const QString &value)
{
    return inLanguage("A thickness must be more than 0 µm (not %1)",
                      "Une épaisseur doit dépasser 0 µm (pas %1)")
        .arg(value);
}

QString noBackground(const QString &batch, quint32 wavelength)
{
    return inLanguage("The batch \"%1\" has no background at %2 nm: measure it first",
                      "Le lot « %1 » n'a pas de fond à %2 nm : mesurez-le d'abord")
        .arg(batch)
        .arg(wavelength);
}

QString noCaptures()
{
    return inLanguage("A background needs at least one capture",
                      "Un fond demande au moins une capture");
}

QString noSession(qint64 id)
{
    return inLanguage("There is no session %1", "Il n'y a pas de séance %1").arg(id);
}

QString sessionEnded(qint64 id)
{
    return inLanguage("Session %1 has ended: it takes no more captures",
                      "La séance %1 est terminée : elle ne prend plus de captures")
        .arg(id);
}

QString emptyName()
{
    return inLanguage("A name cannot be empty", "Un nom ne peut être vide");
}

QString noReason()
{
    return inLanguage("A correction says why", "Une correction dit pourquoi");
}

QString noCapturesOf(const QString &dosimeter, qint64 session)
{
    return inLanguage("Session %2 has no captures of %1", "La séance %2 n'a pas de capture de %1")
        .arg(dosimeter)
        .arg(session);
}

QString uncertaintyNegative(const QString &value)
{
    return inLanguage("An uncertainty cannot be negative (not %1)",
                      "Une incertitude ne peut être négative (pas %1)")
        .arg(value);
}

QString noPoints(qint64 id)
{
    return inLanguage("There are no calibration points %1",
                      "Il n'y a pas de points d'étalonnage %1")
        .arg(id);
}

QString noCalibration(qint64 id)
{
    return inLanguage("There is no calibration %1", "Il n'y a pas d'étalonnage %1").arg(id);
}

QString notAPointsEntry(qint64 id)
{
    return inLanguage("Entry %1 holds no calibration points",
                      "L'entrée %1 ne contient pas de points d'étalonnage")
        .arg(id);
}

QString noResultFor(const QString &dosimeter, qint64 session)
{
    return inLanguage("Session %2 has no result for the dosimeter %1",
                      "La séance %2 n'a pas de résultat pour le dosimètre %1")
        .arg(dosimeter)
        .arg(session);
}

QString noDoseGiven(int line)
{
    return inLanguage("Line %1: a dosimeter ID and a dose that is a number of 0 or more",
                      "Ligne %1 : un identifiant de dosimètre et une dose, nombre positif ou nul")
        .arg(line);
}

QString alreadyApproved(qint64 id)
{
    return inLanguage("Calibration %1 is already approved", "L'étalonnage %1 est déjà approuvé")
        .arg(id);
}

QString expiresInThePast(const QString &day)
{
    return inLanguage("A calibration cannot be approved to expire on %1, which has passed",
                      "Un étalonnage ne peut être approuvé jusqu'au %1, jour passé")
        .arg(day);
}

QString factorOfUnapproved(qint64 id)
{
    return inLanguage("Calibration %1 is not approved: a verification factor changes only an "
                      "approved calibration",
                      "L'étalonnage %1 n'est pas approuvé : un facteur de vérification ne "
                      "s'applique qu'à un étalonnage approuvé")
        .arg(id);
}

QString factorNotPositive(const QString &value)
{
    return inLanguage("A verification factor is a number more than 0 (not %1)",
                      "Un facteur de vérification est un nombre supérieur à 0 (pas %1)")
        .arg(value);
}

QString unweightedPoint(const QString &dosimeter)
{
    return inLanguage("The dose of %1 has no uncertainty: the points cannot be weighted",
                      "La dose de %1 n'a pas d'incertitude : les points ne peuvent être pondérés")
        .arg(dosimeter);
}

QString badStandard()
{
    return inLanguage("A check standard has a certified absorbance and a tolerance above 0, and "
                      "the date its certificate expires",
                      "Un étalon de contrôle a une absorbance certifiée et une tolérance "
                      "supérieures à 0, et la date d'expiration de son certificat");
}

QString standardExists(const QString &id)
{
    return inLanguage("A check standard \"%1\" is already registered",
                      "Un étalon de contrôle « %1 » est déjà enregistré")
        .arg(id);
}

QString noStandard(const QString &id)
{
    return inLanguage("No check standard \"%1\" is registered",
                      "Aucun étalon de contrôle « %1 » n'est enregistré")
        .arg(id);
}

QString certificateExpired(const QString &id, const QDate &on)
{
    return inLanguage("The certificate of the check standard %1 expired on %2",
                      "Le certificat de l'étalon de contrôle %1 a expiré le %2")
        .arg(id, on.toString(Qt::ISODate));
}

QString notEnded(qint64 session)
{
    return inLanguage("Session %1 has not ended: it is reviewed once it is",
                      "La séance %1 n'est pas terminée : elle se revoit une fois terminée")
        .arg(session);
}

QString reviewOwnSession(qint64 session)
{
    return inLanguage("Session %1 is yours: another reviews it",
                      "La séance %1 est la vôtre : un autre la revoit")
        .arg(session);
}

QString alreadySigned(qint64 session, const QString &meaning)
{
    return inLanguage("You have already signed session %1 as %2",
                      "Vous avez déjà signé la séance %1 comme %2")
        .arg(session)
        .arg(meaning);
}

} // namespace LabTexts
