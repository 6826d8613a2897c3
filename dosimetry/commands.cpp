#include "commands.h"

#include "capturerun.h"
#include "sessioncsv.h"

#include "capture/dosimeterid.h"
#include "common/terminationsignals.h"
#include "publish/sessionbus.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>

#include <cmath>
#include <optional>

namespace {

// Every option, with the commands that take it.
const struct {
    const char *name;
    const char *value; // nullptr for a switch
    const char *help;
} kOptions[] = {
    {"database", "PATH", "The record (default $XDG_DATA_HOME/ZAV41K/dosimetry.sqlite)."},
    {"serial", "SERIAL", "reader add: the reader's serial number."},
    {"threshold", "A", "reader add: what its empty holder stays below (default 0.020)."},
    {"lot", "LOT", "batch add: the film lot."},
    {"thickness", "MICROMETRES", "batch add: the nominal film thickness."},
    {"batch", "NAME", "background, session start: the film batch."},
    {"reader", "NAME", "background, session start: the reader."},
    {"wavelength", "NM", "background, session start: 510 or 600."},
    {"replicates", "M", "session start: readings per dosimeter (default 1)."},
    {"purpose", "TEXT", "session start: what the session is for."},
    {"count", "N", "capture: captures to take; background: films to read."},
    {"session", "ID", "capture: keep the captures in this session; export: the session."},
    {"ids", "FILE", "capture: the dosimeter IDs, one a line, as a scanner types them."},
    {"first-id", "ID", "capture: the first dosimeter ID, counted on from there."},
    {"json", nullptr, "capture: one JSON object a line."},
    {"dosimeter", "ID", "correct: the dosimeter whose captures are corrected."},
    {"to", "ID", "correct: the ID they belong to; without it they are withdrawn."},
    {"reason", "TEXT", "correct: why."},
    {"csv", "FILE", "export: the file to write."},
};

const char kUsage[] = "usage: zav41k-dosimetry COMMAND (see --help)";

class Command {
public:
    Command(const QCommandLineParser &parser, QTextStream &out, QTextStream &err)
        : m_parser(parser)
        , m_words(parser.positionalArguments())
        , m_out(out)
        , m_err(err)
    {
    }

    int run();

private:
    int readerAdd();
    int batchAdd();
    int background();
    int sessionStart();
    int sessionEnd();
    int capture();
    int verify();
    int exportCsv();
    int correct();

    // Refuses options the command does not take and a wrong number of words.
    bool takes(int words, std::initializer_list<const char *> options);
    bool required(std::initializer_list<const char *> options);
    QString value(const char *option) const { return m_parser.value(QLatin1String(option)); }
    std::optional<double> positive(const char *option, double otherwise);
    std::optional<int> whole(const char *option, int otherwise, int lowest);
    std::optional<quint32> wavelength();
    bool openRecord();
    int failed(const QString &description);
    int usage(const QString &why);
    int follow(CaptureRun &run, const CaptureRun::Plan &plan);

    const QCommandLineParser &m_parser;
    QStringList m_words;
    QTextStream &m_out;
    QTextStream &m_err;
    std::optional<DosimetryRecord> m_record;
    std::optional<LabBook> m_book;
};

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
        {"background", &Command::background},
        {"capture", &Command::capture},
        {"verify", &Command::verify},
        {"export", &Command::exportCsv},
        {"correct", &Command::correct},
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

bool Command::openRecord()
{
    const QString path = m_parser.isSet(QStringLiteral("database"))
                             ? value("database")
                             : DosimetryRecord::defaultPath();
    m_record.emplace(path);
    const Status opened = m_record->open();
    if (!opened) {
        failed(opened.failure().description);
        return false;
    }
    m_book.emplace(*m_record);
    return true;
}

int Command::readerAdd()
{
    if (!takes(3, {"serial", "threshold"}) || !required({"serial"}))
        return 2;
    const std::optional<double> threshold = positive("threshold", 0.020);
    if (!threshold)
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<ReaderInfo> added =
        m_book->addReader(ReaderInfo{m_words.at(2), value("serial"), *threshold});
    if (!added)
        return failed(added.failure().description);
    m_out << "reader " << added.value().name << " added" << Qt::endl;
    return 0;
}

int Command::batchAdd()
{
    if (!takes(3, {"thickness", "lot"}) || !required({"thickness"}))
        return 2;
    if (!openRecord())
        return 1;
    bool ok = false;
    const double thickness = value("thickness").toDouble(&ok);
    const Outcome<Batch> added =
        m_book->addBatch(Batch{m_words.at(2), value("lot"), ok ? thickness : std::nan("")});
    if (!added)
        return failed(added.failure().description);
    m_out << "batch " << added.value().name << " added" << Qt::endl;
    return 0;
}

int Command::follow(CaptureRun &run, const CaptureRun::Plan &plan)
{
    if (!run.start(m_book ? &*m_book : nullptr, plan))
        return 1;
    int status = 0;
    QObject::connect(&run, &CaptureRun::finished, [&status](bool ok) {
        status = ok ? 0 : 1;
        QCoreApplication::exit(status);
    });
    TerminationSignals::install([] { QCoreApplication::exit(130); });
    return QCoreApplication::exec();
}

int Command::background()
{
    if (!takes(1, {"batch", "wavelength", "count", "reader"}) ||
        !required({"batch", "wavelength", "count"}))
        return 2;
    const std::optional<quint32> nm = wavelength();
    const std::optional<int> count = whole("count", 0, 1);
    if (!nm || !count)
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<Batch> batch = m_book->batch(value("batch"));
    if (!batch)
        return failed(batch.failure().description);
    CaptureRules rules;
    rules.wavelength = *nm;
    if (m_parser.isSet(QStringLiteral("reader"))) {
        const Outcome<ReaderInfo> reader = m_book->reader(value("reader"));
        if (!reader)
            return failed(reader.failure().description);
        rules.threshold = reader.value().threshold;
    }
    SessionBus bus(QStringLiteral("zav41k-dosimetry"));
    if (!bus.start())
        return failed(
            QStringLiteral("no session bus to follow ZAV41K on (%1)").arg(bus.lastError()));
    CaptureRun run(bus.connection(), rules, m_out, m_err);
    QObject::connect(&bus, &SessionBus::connected, &run, &CaptureRun::rebind);
    CaptureRun::Plan plan;
    plan.count = *count;
    const int status = follow(run, plan);
    if (status != 0)
        return status;
    const Outcome<Background> kept = m_book->addBackground(value("batch"), *nm, run.taken());
    if (!kept)
        return failed(kept.failure().description);
    m_out << "background of " << kept.value().batch << " at " << kept.value().wavelength
          << " nm: " << QString::number(kept.value().mean, 'f', 4) << " (standard deviation "
          << QString::number(kept.value().deviation, 'f', 4) << ", " << kept.value().count
          << " films)" << Qt::endl;
    return 0;
}

int Command::sessionStart()
{
    if (!takes(2, {"batch", "reader", "wavelength", "replicates", "purpose"}) ||
        !required({"batch", "reader", "wavelength"}))
        return 2;
    const std::optional<quint32> nm = wavelength();
    const std::optional<int> replicates = whole("replicates", 1, 1);
    if (!nm || !replicates)
        return 2;
    if (!openRecord())
        return 1;
    Session s;
    s.batch = value("batch");
    s.reader = value("reader");
    s.wavelength = *nm;
    s.replicates = *replicates;
    s.purpose = value("purpose");
    const Outcome<Session> started = m_book->startSession(s);
    if (!started)
        return failed(started.failure().description);
    const Session &on = started.value();
    m_out << "session of " << on.operatorName << ": batch " << on.batch << ", reader " << on.reader
          << ", " << on.wavelength << " nm, A0 " << QString::number(on.background.mean, 'f', 4)
          << ", " << on.replicates << (on.replicates == 1 ? " reading" : " readings")
          << " per dosimeter" << Qt::endl
          << on.id << Qt::endl;
    return 0;
}

int Command::sessionEnd()
{
    if (!takes(3, {}))
        return 2;
    bool ok = false;
    const qint64 id = m_words.at(2).toLongLong(&ok);
    if (!ok)
        return usage(QStringLiteral("a session's id is a number, not \"%1\"").arg(m_words.at(2)));
    if (!openRecord())
        return 1;
    const Status ended = m_book->endSession(id);
    if (!ended)
        return failed(ended.failure().description);
    m_out << "session " << id << " ended" << Qt::endl;
    return 0;
}

int Command::capture()
{
    if (!takes(1, {"session", "ids", "first-id", "count", "json"}))
        return 2;
    const std::optional<int> count = whole("count", 0, 1);
    if (!count)
        return 2;
    const bool inSession = m_parser.isSet(QStringLiteral("session"));
    if (!inSession &&
        (m_parser.isSet(QStringLiteral("ids")) || m_parser.isSet(QStringLiteral("first-id"))))
        return usage(QStringLiteral("dosimeter IDs need a --session"));
    if (m_parser.isSet(QStringLiteral("ids")) && m_parser.isSet(QStringLiteral("first-id")))
        return usage(QStringLiteral("--ids or --first-id, not both"));
    CaptureRun::Plan plan;
    plan.count = *count;
    plan.json = m_parser.isSet(QStringLiteral("json"));
    CaptureRules rules;
    if (inSession) {
        bool ok = false;
        plan.session = value("session").toLongLong(&ok);
        if (!ok)
            return usage(
                QStringLiteral("a session's id is a number, not \"%1\"").arg(value("session")));
        if (!openRecord())
            return 1;
        const Outcome<Session> s = m_book->session(plan.session);
        if (!s)
            return failed(s.failure().description);
        if (s.value().ended)
            return failed(QStringLiteral("session %1 has ended").arg(plan.session));
        rules.wavelength = s.value().wavelength;
        rules.threshold = s.value().threshold;
        const Outcome<QList<SessionCapture>> before = m_book->captures(plan.session);
        if (!before)
            return failed(before.failure().description);
        QSet<QString> used;
        for (const SessionCapture &c : before.value())
            used << c.dosimeter;
        if (m_parser.isSet(QStringLiteral("ids"))) {
            QFile file(value("ids"));
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                return failed(QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QString id = QString::fromUtf8(line).trimmed();
                if (id.isEmpty())
                    continue;
                if (used.contains(id))
                    return failed(QStringLiteral("the dosimeter ID %1 is already used in session "
                                                 "%2")
                                      .arg(id)
                                      .arg(plan.session));
                used << id;
                plan.ids << id;
            }
            if (plan.ids.isEmpty())
                return failed(QStringLiteral("%1 holds no dosimeter ID").arg(file.fileName()));
        } else {
            const Outcome<QString> last = m_book->lastDosimeter(plan.session);
            if (!last)
                return failed(last.failure().description);
            plan.firstId = m_parser.isSet(QStringLiteral("first-id")) ? value("first-id")
                           : last.value().isEmpty()                   ? QStringLiteral("D-0001")
                                                    : DosimeterId::next(last.value());
            if (DosimeterId::next(plan.firstId).isEmpty())
                return usage(QStringLiteral("a dosimeter ID to count on from ends in digits "
                                            "(not \"%1\")")
                                 .arg(plan.firstId));
            if (used.contains(plan.firstId))
                return failed(QStringLiteral("the dosimeter ID %1 is already used in session %2")
                                  .arg(plan.firstId)
                                  .arg(plan.session));
        }
    }
    SessionBus bus(QStringLiteral("zav41k-dosimetry"));
    if (!bus.start())
        return failed(
            QStringLiteral("no session bus to follow ZAV41K on (%1)").arg(bus.lastError()));
    CaptureRun run(bus.connection(), rules, m_out, m_err);
    QObject::connect(&bus, &SessionBus::connected, &run, &CaptureRun::rebind);
    return follow(run, plan);
}

int Command::verify()
{
    if (!takes(1, {}))
        return 2;
    if (!openRecord())
        return 1;
    const Outcome<RecordCheck> check = m_record->verify();
    if (!check)
        return failed(check.failure().description);
    (check.value().whole ? m_out : m_err) << check.value().text << Qt::endl;
    return check.value().whole ? 0 : 1;
}

int Command::exportCsv()
{
    if (!takes(1, {"session", "csv"}) || !required({"session", "csv"}))
        return 2;
    bool ok = false;
    const qint64 id = value("session").toLongLong(&ok);
    if (!ok)
        return usage(
            QStringLiteral("a session's id is a number, not \"%1\"").arg(value("session")));
    if (!openRecord())
        return 1;
    const Outcome<Session> s = m_book->session(id);
    if (!s)
        return failed(s.failure().description);
    const Outcome<QList<DosimeterResult>> results = m_book->results(id);
    const Outcome<QList<SessionCapture>> captures = m_book->captures(id);
    if (!results)
        return failed(results.failure().description);
    if (!captures)
        return failed(captures.failure().description);
    const Status written = SessionCsv::write(
        value("csv"), SessionCsv::text(s.value(), results.value(), captures.value()));
    if (!written)
        return failed(written.failure().description);
    m_out << results.value().size() << " dosimeters written to " << value("csv") << Qt::endl;
    return 0;
}

int Command::correct()
{
    if (!takes(1, {"session", "dosimeter", "to", "reason"}) ||
        !required({"session", "dosimeter", "reason"}))
        return 2;
    bool ok = false;
    const qint64 id = value("session").toLongLong(&ok);
    if (!ok)
        return usage(
            QStringLiteral("a session's id is a number, not \"%1\"").arg(value("session")));
    if (!openRecord())
        return 1;
    const Outcome<int> corrected =
        m_book->correct(id, value("dosimeter"), value("to"), value("reason"));
    if (!corrected)
        return failed(corrected.failure().description);
    m_out << corrected.value() << (corrected.value() == 1 ? " capture of " : " captures of ")
          << value("dosimeter")
          << (m_parser.isSet(QStringLiteral("to"))
                  ? QStringLiteral(" now belong to %1").arg(value("to"))
                  : QStringLiteral(" withdrawn"))
          << Qt::endl;
    return 0;
}

} // namespace

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
