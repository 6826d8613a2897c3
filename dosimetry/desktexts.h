#pragma once

#include <QString>

// What the session desk tells the operator, in the user's language.
namespace DeskTexts {

QString kept(const QString &dosimeter, double absorbance, int replicate, int replicates);
QString notKept(const QString &reason);
QString keptLater(int count);
QString notEndedWhileWaiting(int count);
QString sourceStopped();
QString sourceRunning();

} // namespace DeskTexts
