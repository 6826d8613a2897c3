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

} // namespace LabTexts
