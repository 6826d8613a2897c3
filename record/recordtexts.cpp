#include "recordtexts.h"

#include "resources/language.h"

namespace RecordTexts {

QString noRecord(const QString &path)
{
    return inLanguage("There is no dosimetry record at %1",
                      "Il n'y a pas de registre de dosimétrie à %1")
        .arg(path);
}

QString notADatabase(const QString &path)
{
    return inLanguage("%1 is not a dosimetry record: it is no SQLite database",
                      "%1 n'est pas un registre de dosimétrie : ce n'est pas une base SQLite")
        .arg(path);
}

QString notARecord(const QString &path)
{
    return inLanguage("%1 is a database, but not a dosimetry record",
                      "%1 est une base de données, mais pas un registre de dosimétrie")
        .arg(path);
}

QString damaged(const QString &path, const QString &reason)
{
    return inLanguage("The record %1 is damaged (%2)", "Le registre %1 est endommagé (%2)")
        .arg(path, reason);
}

QString newerVersion(const QString &path, int version, int known)
{
    return inLanguage("The record %1 was written by a newer version of ZAV41K Dosimetry (record "
                      "version %2; this one reads up to %3)",
                      "Le registre %1 a été écrit par une version plus récente de ZAV41K Dosimetry "
                      "(version %2 du registre ; celle-ci lit jusqu'à la %3)")
        .arg(path)
        .arg(version)
        .arg(known);
}

QString notOpened(const QString &path, const QString &reason)
{
    return inLanguage("The record %1 cannot be opened (%2)",
                      "Le registre %1 ne peut être ouvert (%2)")
        .arg(path, reason);
}

QString notWritten(const QString &path, const QString &reason)
{
    return inLanguage("Nothing was written to the record %1 (%2)",
                      "Rien n'a été écrit dans le registre %1 (%2)")
        .arg(path, reason);
}

QString unreadable(const QString &path, const QString &reason)
{
    return inLanguage("The record %1 cannot be read (%2)", "Le registre %1 ne peut être lu (%2)")
        .arg(path, reason);
}

QString noEntry(qint64 id)
{
    return inLanguage("The record has no entry %1", "Le registre n'a pas d'entrée %1").arg(id);
}

QString whole(qint64 entries)
{
    return inLanguage("The record is whole: %1 entries, each as written and in its place",
                      "Le registre est intact : %1 entrées, chacune telle qu'écrite et à sa place")
        .arg(entries);
}

QString missing(qint64 id)
{
    return inLanguage("Entry %1 is missing: it was removed outside the program",
                      "L'entrée %1 manque : elle a été supprimée hors du programme")
        .arg(id);
}

QString changed(qint64 id)
{
    return inLanguage(
               "Entry %1 is not as it was written: it was changed, inserted or moved outside "
               "the program",
               "L'entrée %1 n'est pas telle qu'elle a été écrite : elle a été modifiée, insérée "
               "ou déplacée hors du programme")
        .arg(id);
}

QString outOfChain(qint64 id)
{
    return inLanguage(
               "Entry %1 does not follow the entry before it: entries were removed, inserted or "
               "reordered outside the program",
               "L'entrée %1 ne suit pas celle d'avant : des entrées ont été supprimées, insérées "
               "ou réordonnées hors du programme")
        .arg(id);
}

QString added(qint64 id)
{
    return inLanguage("Entry %1 was added outside the program",
                      "L'entrée %1 a été ajoutée hors du programme")
        .arg(id);
}

QString removedAtEnd(qint64 last)
{
    return inLanguage("Entries after entry %1 were removed outside the program",
                      "Des entrées après l'entrée %1 ont été supprimées hors du programme")
        .arg(last);
}

} // namespace RecordTexts
