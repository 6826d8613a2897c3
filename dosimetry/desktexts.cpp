#include "desktexts.h"

#include "resources/language.h"

#include <QLocale>

namespace DeskTexts {

QString kept(const QString &dosimeter, double absorbance, int replicate, int replicates)
{
    return inLanguage("%1: %2 taken (%3 of %4)", "%1 : %2 pris (%3 sur %4)")
        .arg(dosimeter, QLocale().toString(absorbance, 'f', 4))
        .arg(replicate)
        .arg(replicates);
}

QString notKept(const QString &reason)
{
    return inLanguage(
               "%1. The capture stays in the window and is kept as soon as the record takes it.",
               "%1. La capture reste dans la fenêtre et sera gardée dès que le registre la "
               "prendra.")
        .arg(reason);
}

QString notEndedWhileWaiting(int count)
{
    return inLanguage("%1 captures are not in the record yet: the session ends once they are",
                      "%1 captures ne sont pas encore au registre : la séance se termine quand "
                      "elles y sont")
        .arg(count);
}

QString keptLater(int count)
{
    return inLanguage("The record took the %1 captures that waited", "Le registre a pris les %1 "
                                                                     "captures en attente")
        .arg(count);
}

QString sourceStopped()
{
    return inLanguage("ZAV41K is not running: nothing is taken until it runs again",
                      "ZAV41K ne tourne pas : rien n'est pris avant qu'il ne reprenne");
}

QString sourceRunning()
{
    return inLanguage("Following the readings of ZAV41K", "Suit les lectures de ZAV41K");
}

} // namespace DeskTexts
