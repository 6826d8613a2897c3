// zav41k-sim: a reader on a pseudo-terminal, for trying the program without the instrument.

#include "pseudoterminal.h"
#include "readingstream.h"
#include "sender.h"
#include "simscript.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <optional>
#include <thread>

namespace {

std::atomic<bool> g_stop{false};

void requestStop(int)
{
    g_stop = true;
}

void installSignalHandlers()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a blocking read of the script returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

class Simulator {
public:
    Simulator(QString link, Sender &sender, bool quiet)
        : m_link(std::move(link))
        , m_sender(sender)
        , m_out(stdout)
        , m_quiet(quiet)
    {
    }

    bool plugIn()
    {
        const QString error = m_pty.open(m_link);
        if (!error.isEmpty()) {
            QTextStream(stderr) << "zav41k-sim: " << error << Qt::endl;
            return false;
        }
        m_sender.setFd(m_pty.masterFd());
        m_out << "ready " << m_link << " -> " << m_pty.devicePath() << Qt::endl;
        return true;
    }

    bool run(const SimAction &action)
    {
        switch (action.kind) {
        case SimAction::Kind::Send:
            if (!m_sender.send(action.bytes))
                return false;
            if (!m_quiet)
                m_out << "sent " << SimScript::escape(action.bytes) << Qt::endl;
            return true;
        case SimAction::Kind::Pause:
            if (!m_quiet)
                m_out << "pause " << action.seconds << Qt::endl;
            return m_sender.pause(action.seconds);
        case SimAction::Kind::Unplug:
            m_pty.close();
            m_out << "unplugged for " << action.seconds << " s" << Qt::endl;
            return m_sender.pause(action.seconds) && plugIn();
        }
        return false;
    }

private:
    QString m_link;
    Sender &m_sender;
    PseudoTerminal m_pty;
    QTextStream m_out;
    bool m_quiet;
};

std::optional<QByteArray> lineEndOf(const QString &name)
{
    if (name == QStringLiteral("crlf"))
        return QByteArray("\r\n");
    if (name == QStringLiteral("cr"))
        return QByteArray("\r");
    if (name == QStringLiteral("lf"))
        return QByteArray("\n");
    if (name == QStringLiteral("none"))
        return QByteArray();
    return std::nullopt;
}

// A whole number of at least `least`, as an option's value must be.
std::optional<long long> wholeNumber(const QString &text, long long least)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    return ok && value >= least ? std::optional<long long>(value) : std::nullopt;
}

// A finite number above `above` (or equal to it, with `orEqual`).
std::optional<double> number(const QString &text, double above, bool orEqual)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) && (value > above || (orEqual && value == above))
               ? std::optional<double>(value)
               : std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zav41k-sim"));
    installSignalHandlers();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a ZAV-41K reader on a pseudo-terminal reachable at LINK.\n"
        "Records come from the command line, from --file (one a line; '-' reads standard "
        "input as it arrives) or from --stream. Script lines:\n"
        "  1234 000       a record, sent with the line end\n"
        "  @raw BYTES     bytes without a line end (escapes \\r \\n \\t \\\\ \\xHH)\n"
        "  @pause S       silence for S seconds\n"
        "  @unplug S      the device disappears for S seconds\n"
        "  # comment\n"
        "A record is eight characters, CCCC WUO, then the line end:\n"
        "  CCCC  the count, four digits: absorbance = CCCC / 1000 (1234 shows 1.234,\n"
        "        2345 shows 2.35); 9999 is the reader's marker, shown as it stands\n"
        "  W     the wavelength: 0 for 510 nm, 1 for 600 nm\n"
        "  U     1 when the film is under range (shown as LO)\n"
        "  O     1 when it is over range (HI); U wins over O, both over the count\n"
        "Example: 1234 000 is 1.234 at 510 nm; 0500 100 is 0.500 at 600 nm; 0000 010 is LO."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("records"), QStringLiteral("Script lines to send."),
                                 QStringLiteral("[RECORD...]"));
    const QCommandLineOption linkOption(QStringLiteral("link"),
                                        QStringLiteral("Path of the symbolic link to the line."),
                                        QStringLiteral("LINK"));
    const QCommandLineOption fileOption(QStringLiteral("file"),
                                        QStringLiteral("Read script lines from FILE ('-': stdin)."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption streamOption(
        QStringLiteral("stream"), QStringLiteral("Send a steady stream of RATE records a second."),
        QStringLiteral("RATE"));
    const QCommandLineOption countOption(
        QStringLiteral("count"), QStringLiteral("Stop the stream after N records (0: never)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
                                        QStringLiteral("Pace bytes as this baud rate would."),
                                        QStringLiteral("RATE"), QStringLiteral("9600"));
    const QCommandLineOption fastOption(QStringLiteral("fast"),
                                        QStringLiteral("Send as fast as the line takes it."));
    const QCommandLineOption fragmentOption(
        QStringLiteral("fragment"), QStringLiteral("Write N bytes at a time (0: a whole record)."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption eolOption(QStringLiteral("eol"),
                                       QStringLiteral("Line end: crlf, cr, lf or none."),
                                       QStringLiteral("EOL"), QStringLiteral("crlf"));
    const QCommandLineOption lingerOption(
        QStringLiteral("linger"),
        QStringLiteral("Keep the line for S seconds after the last record (default: until "
                       "interrupted)."),
        QStringLiteral("S"), QStringLiteral("-1"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the stream's readings."),
                                        QStringLiteral("N"), QStringLiteral("41"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"),
                                         QStringLiteral("Do not print what is sent."));
    parser.addOptions({linkOption, fileOption, streamOption, countOption, baudOption, fastOption,
                       fragmentOption, eolOption, lingerOption, seedOption, quietOption});
    parser.process(app);

    if (!parser.isSet(linkOption)) {
        QTextStream(stderr) << "zav41k-sim: --link LINK is required (see --help)" << Qt::endl;
        return 2;
    }
    const std::optional<QByteArray> lineEnd = lineEndOf(parser.value(eolOption));
    const std::optional<long long> baud = wholeNumber(parser.value(baudOption), 1);
    const std::optional<long long> fragment = wholeNumber(parser.value(fragmentOption), 0);
    const std::optional<long long> count = wholeNumber(parser.value(countOption), 0);
    const std::optional<long long> seed = wholeNumber(parser.value(seedOption), 0);
    const std::optional<double> rate = number(parser.value(streamOption), 0, false);
    const std::optional<double> linger = parser.value(lingerOption) == QStringLiteral("-1")
                                             ? std::optional<double>(-1)
                                             : number(parser.value(lingerOption), 0, true);
    const char *bad =
        !lineEnd                              ? "--eol is crlf, cr, lf or none"
        : !baud || *baud > 4000000            ? "--baud is a rate from 1 to 4000000"
        : !fragment || *fragment > 1 << 20    ? "--fragment is a number of bytes, 0 or more"
        : !count                              ? "--count is a number of records, 0 or more"
        : !seed || *seed > 0xffffffffLL       ? "--seed is a whole number from 0 to 4294967295"
        : parser.isSet(streamOption) && !rate ? "--stream is a rate above 0 records a second"
        : !linger                             ? "--linger is a number of seconds, 0 or more"
                                              : nullptr;
    if (bad) {
        QTextStream(stderr) << "zav41k-sim: " << bad << Qt::endl;
        return 2;
    }
    Sender sender(parser.isSet(fastOption) ? 0 : int(*baud), int(*fragment), g_stop);
    Simulator simulator(parser.value(linkOption), sender, parser.isSet(quietOption));
    if (!simulator.plugIn())
        return 1;

    auto runLine = [&](const QString &line) {
        QString error;
        const std::optional<SimAction> action = SimScript::parseLine(line, *lineEnd, &error);
        if (!error.isEmpty()) {
            QTextStream(stderr) << "zav41k-sim: " << error << Qt::endl;
            return false;
        }
        return !action || simulator.run(*action);
    };

    bool ok = true;
    for (const QString &line : parser.positionalArguments()) {
        if (!(ok = runLine(line)))
            break;
    }
    if (ok && parser.isSet(fileOption)) {
        const QString name = parser.value(fileOption);
        FILE *input =
            name == QStringLiteral("-") ? stdin : std::fopen(QFile::encodeName(name), "r");
        if (!input) {
            QTextStream(stderr) << "zav41k-sim: cannot read " << name << Qt::endl;
            return 1;
        }
        char buffer[4096];
        while (ok && !g_stop && std::fgets(buffer, sizeof buffer, input)) {
            QString line = QString::fromLocal8Bit(buffer);
            while (line.endsWith(u'\n') || line.endsWith(u'\r'))
                line.chop(1);
            ok = runLine(line);
        }
        if (input != stdin)
            std::fclose(input);
    }
    if (ok && parser.isSet(streamOption)) {
        ReadingStream stream{quint32(*seed)};
        const auto period = std::chrono::duration<double>(1.0 / *rate);
        auto due = std::chrono::steady_clock::now();
        for (long long sent = 0; ok && !g_stop && (*count == 0 || sent < *count); ++sent) {
            ok = simulator.run({SimAction::Kind::Send, stream.next() + *lineEnd, 0});
            due += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
            while (!g_stop && std::chrono::steady_clock::now() < due)
                std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                    due - std::chrono::steady_clock::now(), std::chrono::milliseconds(50)));
        }
    }

    if (*linger < 0) {
        while (!g_stop)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } else {
        sender.pause(*linger);
    }
    return ok || g_stop ? 0 : 1;
}
