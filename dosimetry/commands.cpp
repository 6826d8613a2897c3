#include "commands.h"

#include "command.h"
#include "stationsettings.h"

#include "common/terminationsignals.h"
#include "publish/sessionbus.h"

#include <QCoreApplication>

namespace {

// Every option, with the commands that take it.
const struct {
    const char *name;
    const char *value; // nullptr for a switch
    const char *help;
} kOptions[] = {
    {"database", "PATH",
     "The record: a file, or postgresql://USER@HOST[:PORT]/DATABASE (default the setting, or "
     "$XDG_DATA_HOME/ZAV41K/dosimetry.sqlite)."},
    {"calibrate", nullptr, "Without a command: the calibration window."},
    {"checks", nullptr, "Without a command: the day's checks of each check standard, charted."},
    {"serial", "SERIAL", "reader add: the reader's serial number."},
    {"threshold", "A", "reader add: what its empty holder stays below (default 0.020)."},
    {"check-hours", "H", "reader add: how long a passing day's check holds (default 24)."},
    {"lot", "LOT", "batch add: the film lot."},
    {"thickness", "MICROMETRES", "batch add: the nominal film thickness."},
    {"thickness-uncertainty", "MICROMETRES",
     "batch add: the standard uncertainty of a film's thickness (default 0)."},
    {"batch", "NAME", "background, session start, calibration import: the film batch."},
    {"reader", "NAME", "background, session start, calibration import, check run: the reader."},
    {"wavelength", "NM", "background, session start, calibration import, check add: 510 or 600."},
    {"replicates", "M", "session start: readings per dosimeter (default 1)."},
    {"purpose", "TEXT", "session start: what the session is for."},
    {"count", "N", "capture: captures to take; background: films to read."},
    {"session", "ID",
     "capture: keep the captures in this session; export, report: the session; calibration "
     "import: the calibration session the doses were given in."},
    {"ids", "FILE", "capture: the dosimeter IDs, one a line, as a scanner types them."},
    {"first-id", "ID", "capture: the first dosimeter ID, counted on from there."},
    {"json", nullptr, "capture, fit, calibration fit, calibration list, check list: JSON."},
    {"dosimeter", "ID", "correct: the dosimeter whose captures are corrected."},
    {"to", "ID", "correct: the ID they belong to; without it they are withdrawn."},
    {"reason", "TEXT", "correct, calibration factor: why."},
    {"form", "FORM",
     "fit, calibration fit: polynomial:1 to polynomial:4, power, rational, exponential or "
     "hyperbolic."},
    {"points", "ID", "calibration fit: the calibration points."},
    {"weighted", nullptr, "calibration fit: weight the points by their doses' uncertainties."},
    {"calibration", "ID", "calibration approve, calibration factor: the calibration."},
    {"expires", "DATE",
     "calibration approve: the last day it holds; check add: the day the certificate expires "
     "(YYYY-MM-DD)."},
    {"certified", "A", "check add: the standard's certified absorbance."},
    {"tolerance", "A", "check add: how far a reading of it may be from the certified value."},
    {"standard", "ID", "check run, check list: the check standard."},
    {"factor", "F", "calibration factor: the verification factor on its doses."},
    {"csv", "FILE", "export: the file to write."},
    {"pdf", "FILE", "report: the file to write."},
};

const char kUsage[] = "usage: zav41k-dosimetry COMMAND (see --help)";

} // namespace

int Command::run()
{
    static const struct {
        const char *words;
        int (Command::*run)();
    } kCommands[] = {
        {"reader add", &Command::readerAdd},
        {"batch add", &Command::batchAdd},
        {"session start", &Command::sessionStart},
        {"session end", &Command::sessionEnd},
        {"session review", &Command::sessionReview},
        {"session signatures", &Command::sessionSignatures},
        {"background", &Command::background},
        {"capture", &Command::capture},
        {"verify", &Command::verify},
        {"export", &Command::exportCsv},
        {"correct", &Command::correct},
        {"fit", &Command::fit},
        {"calibration import", &Command::calibrationImport},
        {"calibration fit", &Command::calibrationFit},
        {"calibration approve", &Command::calibrationApprove},
        {"calibration factor", &Command::calibrationFactor},
        {"calibration list", &Command::calibrationList},
        {"check add", &Command::checkAdd},
        {"check run", &Command::checkRun},
        {"check list", &Command::checkList},
        {"report", &Command::report},
        {"deliver", &Command::deliver},
        {"settings", &Command::settings},
    };
    for (const auto &c : kCommands) {
        const QString words = QLatin1String(c.words);
        if (m_words.mid(0, words.count(u' ') + 1).join(u' ') == words)
            return (this->*c.run)();
    }
    return usage(m_words.isEmpty()
                     ? QStringLiteral("no command")
                     : QStringLiteral("unknown command \"%1\"").arg(m_words.join(u' ')));
}

int Command::usage(const QString &why)
{
    m_err << "zav41k-dosimetry: " << why << "; " << kUsage << Qt::endl;
    return 2;
}

int Command::failed(const QString &description)
{
    m_err << "zav41k-dosimetry: " << description << Qt::endl;
    return 1;
}

bool Command::takes(int words, std::initializer_list<const char *> options)
{
    if (m_words.size() != words) {
        usage(QStringLiteral("\"%1\" takes %2 words").arg(m_words.mid(0, 2).join(u' ')).arg(words));
        return false;
    }
    for (const QString &set : m_parser.optionNames()) {
        if (set == QLatin1String("database"))
            continue;
        bool known = false;
        for (const char *option : options)
            known = known || set == QLatin1String(option);
        if (!known) {
            usage(QStringLiteral("\"%1\" takes no --%2").arg(m_words.mid(0, 2).join(u' '), set));
            return false;
        }
    }
    return true;
}

bool Command::required(std::initializer_list<const char *> options)
{
    for (const char *option : options) {
        if (!m_parser.isSet(QLatin1String(option))) {
            usage(QStringLiteral("--%1 is needed").arg(QLatin1String(option)));
            return false;
        }
    }
    return true;
}

std::optional<double> Command::positive(const char *option, double otherwise)
{
    if (!m_parser.isSet(QLatin1String(option)))
        return otherwise;
    bool ok = false;
    const double v = value(option).toDouble(&ok);
    if (!ok || !std::isfinite(v) || v <= 0) {
        usage(QStringLiteral("--%1 must be a number more than 0 (not \"%2\")")
                  .arg(QLatin1String(option), value(option)));
        return std::nullopt;
    }
    return v;
}

std::optional<int> Command::whole(const char *option, int otherwise, int lowest)
{
    if (!m_parser.isSet(QLatin1String(option)))
        return otherwise;
    bool ok = false;
    const int v = value(option).toInt(&ok);
    if (!ok || v < lowest) {
        usage(QStringLiteral("--%1 must be a whole number of at least %2 (not \"%3\")")
                  .arg(QLatin1String(option))
                  .arg(lowest)
                  .arg(value(option)));
        return std::nullopt;
    }
    return v;
}

std::optional<quint32> Command::wavelength()
{
    const QString text = value("wavelength");
    if (text != QLatin1String("510") && text != QLatin1String("600")) {
        usage(
            QStringLiteral("--wavelength is 510 or 600 (the reader's two), not \"%1\"").arg(text));
        return std::nullopt;
    }
    return text.toUInt();
}

bool Command::openRecord(DosimetryRecord::Opening opening)
{
    const QString path = StationSettings::database(value("database"));
    m_record.emplace(path);
    const Status opened = m_record->open(opening);
    if (!opened) {
        failed(opened.failure().description);
        return false;
    }
    m_book.emplace(*m_record);
    return true;
}

int Command::followReadings(const CaptureRules &rules, const CaptureRun::Plan &plan,
                            QList<Capture> *taken)
{
    SessionBus bus(QStringLiteral("zav41k-dosimetry"));
    if (!bus.start())
        return failed(
            QStringLiteral("no session bus to follow ZAV41K on (%1)").arg(bus.lastError()));
    CaptureRun run(bus.connection(), rules, m_out, m_err);
    QObject::connect(&bus, &SessionBus::connected, &run, &CaptureRun::rebind);
    if (!run.start(m_book ? &*m_book : nullptr, plan))
        return 1;
    int status = 0;
    QObject::connect(&run, &CaptureRun::finished, [&status](bool ok) {
        status = ok ? 0 : 1;
        QCoreApplication::exit(status);
    });
    TerminationSignals::install([] { QCoreApplication::exit(130); });
    status = QCoreApplication::exec();
    if (taken)
        *taken = run.taken();
    return status;
}

std::optional<qint64> Command::id(const QString &text, const char *what)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v <= 0) {
        usage(QStringLiteral("%1's id is a number, not \"%2\"").arg(QLatin1String(what), text));
        return std::nullopt;
    }
    return v;
}

void Commands::addOptions(QCommandLineParser &parser)
{
    for (const auto &o : kOptions) {
        if (o.value)
            parser.addOption(QCommandLineOption(QLatin1String(o.name), QLatin1String(o.help),
                                                QLatin1String(o.value)));
        else
            parser.addOption(QCommandLineOption(QLatin1String(o.name), QLatin1String(o.help)));
    }
}

int Commands::run(const QCommandLineParser &parser, QTextStream &out, QTextStream &err)
{
    return Command(parser, out, err).run();
}
