// zav41k-dosimetry: one reading per dosimeter from the running ZAV41K, kept in the lab's record.

#include "commands.h"

#include <QCoreApplication>

#include <csignal>

namespace {

const char kDescription[] =
    "Takes one reading per dosimeter from the running ZAV41K and keeps it in the lab's record.\n"
    "\n"
    "  reader add NAME --serial SERIAL [--threshold A]\n"
    "  batch add NAME --thickness MICROMETRES [--lot LOT]\n"
    "  background --batch NAME --wavelength NM --count N [--reader NAME]\n"
    "                                  read N unirradiated films of the batch\n"
    "  session start --batch NAME --reader NAME --wavelength NM [--replicates M] [--purpose T]\n"
    "                                  prints the session's id as its last line\n"
    "  session end ID\n"
    "  capture [--session ID] [--ids FILE | --first-id ID] [--count N] [--json]\n"
    "                                  prints each capture once it is kept\n"
    "  verify                          checks every entry of the record\n"
    "  export --session ID --csv FILE  one row per dosimeter\n"
    "\n"
    "A capture is taken when the last 4 readings are ok, at the session's wavelength, at or\n"
    "above the reader's threshold and at most 0.003 apart: their mean. The next waits until a\n"
    "reading falls below the threshold (the film was taken out). Statuses: 0 done, 1 failed,\n"
    "2 not understood.";

} // namespace

int main(int argc, char *argv[])
{
    // A full disk ends a write with an error that is reported, not the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zav41k-dosimetry"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZAV41K_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    Commands::addOptions(parser);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("See above."),
                                 QStringLiteral("COMMAND..."));
    parser.process(app);
    return Commands::run(parser, out, err);
}
