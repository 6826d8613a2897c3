#pragma once

#include <QString>

// The program title: the caption of message boxes that give none of their own, and the
// application name under which the settings are stored. Start-up sets it first of all.
namespace ProgramTitle {

QString title();
void setTitle(const QString &title);

} // namespace ProgramTitle
