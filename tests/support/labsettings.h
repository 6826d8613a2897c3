#pragma once

#include <QString>

// Writes a settings folder under `home` in which port 1 is the line at `line` and is the stored
// port, as a lab that has run the program before would have it.
void writeLabSettings(const QString &home, const QString &line);

// The stored port text as start-up reads it, or the failure's description in angle brackets,
// so that a comparison shows what went wrong.
QString storedPortText();
