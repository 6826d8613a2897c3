#include "resources/failuretexts.h"

#include "resources/language.h"

namespace FailureTexts {

QString unknownString(int id)
{
    return inLanguage("No text with ID %1 in the string table", "Aucun texte d'ID %1 dans la table")
        .arg(id);
}

QString notANumber(const QString &text)
{
    return inLanguage("\"%1\" is not a number", "« %1 » n'est pas un nombre").arg(text);
}

QString tooLarge(const QString &text)
{
    return inLanguage("\"%1\" is too large a number", "« %1 » est un nombre trop grand").arg(text);
}

QString outOfRange(const QString &text, qint64 lowest, qint64 highest)
{
    return inLanguage("\"%1\" is out of range (%2 to %3)", "« %1 » est hors limites (%2 à %3)")
        .arg(text)
        .arg(lowest)
        .arg(highest);
}

QString invalidLineSettings(const QString &text)
{
    return inLanguage(
               "\"%1\" is not a valid line setting; expected baud rate, parity (N, E, O, M "
               "or S), data bits (5 to 8) and stop bits (1 or 2), as in \"9600,N,8,1\"",
               "« %1 » n'est pas un réglage de ligne valable ; attendu : vitesse, parité (N, E, "
               "O, M ou S), bits de données (5 à 8) et bits d'arrêt (1 ou 2), comme « 9600,N,8,1 »")
        .arg(text);
}

QString invalidPropertyValue(const char *property, qint64 value)
{
    return inLanguage("Invalid value %2 for %1", "Valeur %2 invalide pour %1")
        .arg(QString::fromLatin1(property))
        .arg(value);
}

QString portAlreadyOpen()
{
    return inLanguage("Port already open", "Port déjà ouvert");
}

QString portNotOpen()
{
    return inLanguage("Port not open", "Port non ouvert");
}

QString noDeviceForPort(int port)
{
    return inLanguage("Com%1: no serial device is present for this port number",
                      "Com%1 : aucun périphérique série ne correspond à ce numéro de port")
        .arg(port);
}

QString noDevice()
{
    return inLanguage("no device", "aucun périphérique");
}

QString deviceMissing(int port, const QString &path)
{
    return inLanguage(
               "Com%1: the device %2 does not exist (is the reader's adapter plugged in?)",
               "Com%1 : le périphérique %2 n'existe pas (l'adaptateur du lecteur est-il branché ?)")
        .arg(port)
        .arg(path);
}

QString permissionDenied(const QString &path, const QString &group)
{
    return inLanguage(
               "Permission denied on %1. Ask for membership of the group \"%2\" (for example "
               "with: sudo adduser $USER %2), then log out and in again.",
               "Permission refusée sur %1. Demandez l'appartenance au groupe « %2 » (par "
               "exemple : sudo adduser $USER %2), puis reconnectez-vous.")
        .arg(path, group);
}

QString permissionDeniedNoGroup(const QString &path)
{
    return inLanguage(
               "Permission denied on %1, and no group gives access to it. Ask the computer's "
               "administrator to let you read and write it.",
               "Permission refusée sur %1, et aucun groupe n'y donne accès. Demandez à "
               "l'administrateur de l'ordinateur le droit de le lire et d'y écrire.")
        .arg(path);
}

QString permissionDeniedOnPath(const QString &path)
{
    return inLanguage(
               "Permission denied on %1: a folder on the way may not be entered. Ask the "
               "computer's administrator for access.",
               "Permission refusée sur %1 : un dossier du chemin est fermé. Demandez l'accès "
               "à l'administrateur de l'ordinateur.")
        .arg(path);
}

QString portInUse(const QString &path)
{
    return inLanguage("%1 is in use by another program", "%1 est utilisé par un autre programme")
        .arg(path);
}

QString notASerialDevice(const QString &path)
{
    return inLanguage("%1 is not a serial device", "%1 n'est pas un périphérique série").arg(path);
}

QString deviceError(const QString &path, const QString &reason)
{
    return inLanguage("%1: %2", "%1 : %2").arg(path, reason);
}

QString settingsNotWritten(const QString &file, const QString &reason)
{
    return inLanguage("The settings could not be written to %1: %2",
                      "Les réglages n'ont pu être écrits dans %1 : %2")
        .arg(file, reason);
}

QString settingsUnreadable(const QString &file, const QString &reason)
{
    return inLanguage("The settings file %1 cannot be read: %2",
                      "Le fichier de réglages %1 ne peut être lu : %2")
        .arg(file, reason);
}

QString settingsNotRegular()
{
    return inLanguage("it is not a regular file", "ce n'est pas un fichier ordinaire");
}

QString settingsBinary()
{
    return inLanguage("it holds binary data, not settings text",
                      "il contient des données binaires, pas des réglages en texte");
}

QString settingsUtf16()
{
    return inLanguage("it is UTF-16 text; save it as UTF-8",
                      "c'est du texte UTF-16 ; enregistrez-le en UTF-8");
}

QString settingsTooLarge(qint64 limit)
{
    return inLanguage("it is larger than %1 bytes", "il dépasse %1 octets").arg(limit);
}

QString folderNotCreated(const QString &folder)
{
    return inLanguage("the folder %1 could not be created", "le dossier %1 n'a pu être créé")
        .arg(folder);
}

QString portPathNotAbsolute(const QString &file, int port, const QString &path)
{
    return inLanguage("Com%1 in %2 names \"%3\", which is not an absolute path",
                      "Com%1 dans %2 désigne « %3 », qui n'est pas un chemin absolu")
        .arg(port)
        .arg(file, path);
}

QString portPathNotUtf8(const QString &file, int port)
{
    return inLanguage("Com%1 in %2 names a path that is not UTF-8 text",
                      "Com%1 dans %2 désigne un chemin qui n'est pas du texte UTF-8")
        .arg(port)
        .arg(file);
}

QString busNameHeldByAnother(qint64 pid, const QString &program)
{
    const QString process =
        program.isEmpty() ? QString::number(pid) : QStringLiteral("%1 (%2)").arg(pid).arg(program);
    return inLanguage(
               "Another program, process %1, publishes under the name zav41k.Source. Linked "
               "programs receive its values, not the ones shown here, until it ends.",
               "Un autre programme, le processus %1, publie sous le nom zav41k.Source. Les "
               "programmes liés reçoivent ses valeurs, et non celles affichées ici, jusqu'à ce "
               "qu'il se termine.")
        .arg(process);
}

} // namespace FailureTexts
