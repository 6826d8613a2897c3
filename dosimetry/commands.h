#pragma once

#include <QCommandLineParser>
#include <QTextStream>

// The program's commands, run from the command line with the same logic as the window.
// Statuses: 0 done, 1 failed (said on standard error), 2 not understood.
namespace Commands {

// The options every command knows; each command refuses those it does not take.
void addOptions(QCommandLineParser &parser);
int run(const QCommandLineParser &parser, QTextStream &out, QTextStream &err);

} // namespace Commands
