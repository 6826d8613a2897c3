// zav41k-dosimetry: one reading per dosimeter from the running ZAV41K, kept in the lab's record.

#include "calibrationwindow.h"
#include "checkswindow.h"
#include "sessionpicker.h"
#include "sessionwindow.h"

#include "common/terminationsignals.h"
#include "dosimetry/calibrationdesk.h"
#include "dosimetry/commands.h"
#include "dosimetry/sessiondesk.h"
#include "dosimetry/stationsettings.h"
#include "publish/sessionbus.h"
#include "record/checkbook.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include <csignal>
#include <memory>

namespace {

const char kDescription[] =
    "Takes one reading per dosimeter from the running ZAV41K and keeps it in the lab's record.\n"
    "Without a command it opens the session window (--session ID goes on with a session), or\n"
    "with --calibrate the calibration window, or with --checks the day's checks.\n"
    "\n"
    "  reader add NAME --serial SERIAL [--threshold A] [--check-hours H]\n"
    "  batch add NAME --thickness MICROMETRES [--thickness-uncertainty MICROMETRES] [--lot LOT]\n"
    "  background --batch NAME --wavelength NM --count N [--reader NAME]\n"
    "                                  read N unirradiated films of the batch\n"
    "  session start --batch NAME --reader NAME --wavelength NM [--replicates M] [--purpose T]\n"
    "                                  prints the session's id as its last line\n"
    "  session end ID                  ends it, signed \"performed\" by you\n"
    "  session review ID               signs it \"reviewed\" (not your own session)\n"
    "  session signatures ID\n"
    "  capture [--session ID] [--ids FILE | --first-id ID] [--count N] [--json]\n"
    "                                  prints each capture once it is kept\n"
    "  verify                          checks every entry of the record\n"
    "  export --session ID --csv FILE  one row per dosimeter\n"
    "  report --session ID --pdf FILE  the session's report\n"
    "  deliver                         writes each reviewed session not yet written to the\n"
    "                                  drop folder (a review writes it when the folder is set)\n"
    "  settings [set KEY VALUE]        this station's settings: database, heading (the lab's,\n"
    "                                  on reports), drop-folder (for the lab's system)\n"
    "  correct --session ID --dosimeter ID [--to ID] --reason TEXT\n"
    "                                  the dosimeter's captures go to another ID, or are\n"
    "                                  withdrawn; the record keeps both and why\n"
    "  fit --form FORM [--json] FILE    fits the columns x y (or x y u) of a text file\n"
    "  calibration import (--session ID | --batch NAME --reader NAME --wavelength NM) FILE\n"
    "                                  calibration points from a CSV file: prints their id\n"
    "  calibration fit --points ID --form FORM [--weighted] [--json]\n"
    "                                  prints the calibration's id as its last line\n"
    "  calibration approve --calibration ID --expires DATE\n"
    "  calibration factor --calibration ID --factor F --reason TEXT\n"
    "  calibration list [--json]\n"
    "  check add ID --wavelength NM --certified A --tolerance T --expires DATE\n"
    "  check run --standard ID --reader NAME   the day's check: one reading of the filter\n"
    "  check list [--standard ID] [--json]\n"
    "\n"
    "Forms: polynomial:1 to polynomial:4, power, rational (dose from Δk), exponential and\n"
    "hyperbolic (Δk from dose, inverted). A session's doses come from the last calibration\n"
    "approved for its batch, reader and wavelength that had not expired when it started, and\n"
    "only when its reader passed a check at its wavelength in the hours before it began.\n"
    "\n"
    "A capture is taken when the last 4 readings are ok, at the session's wavelength, at or\n"
    "above the reader's threshold and at most 0.003 apart: their mean. The next waits until a\n"
    "reading falls below the threshold (the film was taken out). Statuses: 0 done, 1 failed,\n"
    "2 not understood.";

void setUp(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    Commands::addOptions(parser);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("See above."),
                                 QStringLiteral("[COMMAND...]"));
}

int refuse(const QString &text)
{
    QMessageBox::critical(nullptr, QStringLiteral("ZAV41K Dosimetry"), text);
    return 1;
}

// The session window, on a session begun here or one named with --session.
int window(const QCommandLineParser &parser)
{
    DosimetryRecord record(StationSettings::database(parser.value(QStringLiteral("database"))));
    const Status opened = record.open();
    if (!opened)
        return refuse(opened.failure().description);
    LabBook book(record);
    if (parser.isSet(QStringLiteral("checks"))) {
        CheckBook checks(record);
        ChecksWindow shown(checks);
        shown.show();
        TerminationSignals::install([] { QCoreApplication::quit(); });
        return QApplication::exec();
    }
    if (parser.isSet(QStringLiteral("calibrate"))) {
        CalibrationDesk desk(record);
        CalibrationWindow shown(desk, book);
        shown.show();
        TerminationSignals::install([] { QCoreApplication::quit(); });
        return QApplication::exec();
    }
    Session session;
    if (parser.isSet(QStringLiteral("session"))) {
        const Outcome<Session> named =
            book.session(parser.value(QStringLiteral("session")).toLongLong());
        if (!named)
            return refuse(named.failure().description);
        session = named.value();
    } else {
        SessionPicker picker(book);
        if (picker.exec() != QDialog::Accepted)
            return 0;
        session = picker.session();
    }
    SessionBus bus(QStringLiteral("zav41k-dosimetry"));
    bus.start();
    SessionDesk desk(book, session, bus.connection());
    QObject::connect(&bus, &SessionBus::connected, &desk, &SessionDesk::rebind);
    desk.follow();
    SessionWindow shown(desk);
    shown.show();
    TerminationSignals::install([] { QCoreApplication::quit(); });
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // A full disk ends a write with an error that is reported, not the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // The window when no command is given: only then a display is needed.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser probe;
    setUp(probe);
    probe.parse(arguments);
    const bool windowed = probe.positionalArguments().isEmpty() &&
                          !probe.isSet(QStringLiteral("help")) &&
                          !probe.isSet(QStringLiteral("version"));
    std::unique_ptr<QCoreApplication> app;
    if (windowed) {
        app = std::make_unique<QApplication>(argc, argv);
    } else if (probe.positionalArguments().value(0) == QLatin1String("report")) {
        // Fonts and a painter for the PDF, with no window system needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("zav41k-dosimetry"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZAV41K_VERSION));
    // The window's options as given: QGuiApplication takes --session out of the arguments for
    // the desktop's session manager.
    if (windowed) {
        if (!probe.unknownOptionNames().isEmpty() || !probe.errorText().isEmpty())
            return refuse(probe.errorText());
        return window(probe);
    }
    QCommandLineParser parser;
    setUp(parser);
    // The arguments as given: QGuiApplication, for a report, takes --session out of its own.
    parser.process(arguments);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return Commands::run(parser, out, err);
}
