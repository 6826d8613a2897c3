// zav41k-link: links to a ZAV41K source's items from the command line.

#include "linkclient.h"
#include "linknameresolver.h"
#include "readingsclient.h"

#include "common/terminationsignals.h"
#include "publish/sessionbus.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>

#include <optional>

namespace {

const char kDescription[] =
    "Links to the items of a running ZAV41K, by the names its About box shows.\n"
    "\n"
    "  request APP TOPIC ITEM        print the item's current value once\n"
    "  advise  APP TOPIC ITEM...     print every new value, one line each (a hot link)\n"
    "  notify  APP TOPIC ITEM...     print which item changed, one line each (a warm link)\n"
    "  readings                      print every reading as typed values, one line each\n"
    "  record  DIR                   write every reading into the lab's record in DIR\n"
    "\n"
    "The program's names are application zav41k, topic data, items absorbance, wavelength\n"
    "and errorcode. advise and notify run until interrupted (Ctrl-C), wait for the source\n"
    "if it is not running yet and pick it up again when it restarts. Lines are\n"
    "tab-separated: time, item and value; --csv writes CSV with a header instead.\n"
    "\n"
    "Names are matched without regard to case (ZAV41K DATA Absorbance will do).\n"
    "\n"
    "A reading is what one record said, whatever the source's language and locale: readings\n"
    "prints time (RFC 3339, UTC), sequence, absorbance as shown, absorbance as a number\n"
    "(- for none), wavelength in nm, status (ok, under-range, over-range, no-data, dropped),\n"
    "whole or damaged, and the record as received, tab-separated, with backslash, tab, CR, LF\n"
    "and other control characters written as \\\\ \\t \\r \\n \\xHH; --json prints one JSON\n"
    "object a line instead. record writes one CSV file a day, DIR/zav41k-YYYY-MM-DD.csv by\n"
    "the local date, appending after a restart, and prints each row once it is in the file.\n"
    "\n"
    "Examples: zav41k-link advise zav41k data absorbance wavelength errorcode\n"
    "          zav41k-link readings --json\n"
    "          zav41k-link record ~/zav41k-record";

bool busStarted(SessionBus &bus, QTextStream &err)
{
    if (bus.start())
        return true;
    err << "zav41k-link: no session bus to link on (" << bus.lastError() << ")" << Qt::endl;
    return false;
}

// readings and record: the typed readings, until interrupted.
int followReadings(const QCommandLineParser &parser, const QCommandLineOption &json,
                   const QCommandLineOption &csv, QTextStream &out, QTextStream &err)
{
    const QStringList arguments = parser.positionalArguments();
    const bool record = arguments.at(0) == QLatin1String("record");
    if (parser.isSet(csv) || (record && (arguments.size() != 2 || parser.isSet(json))) ||
        (!record && arguments.size() != 1)) {
        err << "zav41k-link: usage: zav41k-link readings [--json] or record DIR (see --help)"
            << Qt::endl;
        return 2;
    }
    // The record's folder is checked and taken before anything is followed, so that a folder
    // that cannot be written is said at once and not when the first reading comes.
    std::optional<RecordBook> book;
    if (record) {
        book.emplace(arguments.at(1));
        const Status started = book->start();
        if (!started) {
            err << "zav41k-link: " << started.failure().description << Qt::endl;
            return 2;
        }
    }
    SessionBus bus(QStringLiteral("zav41k-link"));
    if (!busStarted(bus, err))
        return 1;
    ReadingsClient client(bus.connection(), out, err);
    QObject::connect(&bus, &SessionBus::connected, &client, &ReadingsClient::rebind);
    const auto output = record               ? ReadingsClient::Output::Record
                        : parser.isSet(json) ? ReadingsClient::Output::Json
                                             : ReadingsClient::Output::Lines;
    if (!client.follow(output, book ? &*book : nullptr))
        return 1;
    QObject::connect(&client, &ReadingsClient::failed, [] { QCoreApplication::exit(1); });
    TerminationSignals::install([] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // A file size limit ends a write with an error that the record reports, not the process.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zav41k-link"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    const QCommandLineOption csvOption(QStringLiteral("csv"),
                                       QStringLiteral("Write CSV lines (advise, notify)."));
    parser.addOption(csvOption);
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Write one JSON object a line (readings)."));
    parser.addOption(jsonOption);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("request, advise, notify, readings or record"));
    parser.addPositionalArgument(QStringLiteral("names"), QStringLiteral("APP TOPIC ITEM..."),
                                 QStringLiteral("APP TOPIC ITEM..."));
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    if (command == QLatin1String("readings") || command == QLatin1String("record"))
        return followReadings(parser, jsonOption, csvOption, out, err);
    const bool known = command == QLatin1String("request") || command == QLatin1String("advise") ||
                       command == QLatin1String("notify");
    if (!known || arguments.size() < 4 ||
        (command == QLatin1String("request") && arguments.size() != 4) ||
        parser.isSet(jsonOption)) {
        err << "zav41k-link: usage: zav41k-link request|advise|notify APP TOPIC ITEM..., "
               "readings [--json] or record DIR (see --help)"
            << Qt::endl;
        return 2;
    }
    // A link that follows items lasts through a restart of the bus; a request does not wait.
    SessionBus bus(QStringLiteral("zav41k-link"));
    if (!busStarted(bus, err))
        return 1;
    const Outcome<QList<LinkAddress>> resolved =
        LinkNameResolver(bus.connection())
            .resolve(arguments.at(1), arguments.at(2), arguments.mid(3));
    if (!resolved) {
        err << "zav41k-link: " << resolved.failure().description << Qt::endl;
        return 2;
    }
    const QList<LinkAddress> &addresses = resolved.value();
    LinkClient client(bus.connection(), out, err);
    QObject::connect(&bus, &SessionBus::connected, &client, &LinkClient::rebind);
    if (command == QLatin1String("request"))
        return client.request(addresses.first()) ? 0 : 1;

    const auto mode =
        command == QLatin1String("advise") ? LinkClient::Mode::Hot : LinkClient::Mode::Warm;
    if (!client.follow(addresses, mode,
                       parser.isSet(csvOption) ? LinkClient::Format::Csv
                                               : LinkClient::Format::Tabs))
        return 1;
    QObject::connect(&client, &LinkClient::failed, [] { QCoreApplication::exit(1); });
    TerminationSignals::install([] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}
