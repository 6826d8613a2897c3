// zav41k-link: links to a ZAV41K source's items from the command line.

#include "linkclient.h"
#include "linknameresolver.h"

#include "common/terminationsignals.h"
#include "publish/sessionbus.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

const char kDescription[] =
    "Links to the items of a running ZAV41K, by the names its About box shows.\n"
    "\n"
    "  request APP TOPIC ITEM        print the item's current value once\n"
    "  advise  APP TOPIC ITEM...     print every new value, one line each (a hot link)\n"
    "  notify  APP TOPIC ITEM...     print which item changed, one line each (a warm link)\n"
    "\n"
    "The program's names are application zav41k, topic data, items absorbance, wavelength\n"
    "and errorcode. advise and notify run until interrupted (Ctrl-C), wait for the source\n"
    "if it is not running yet and pick it up again when it restarts. Lines are\n"
    "tab-separated: time, item and value; --csv writes CSV with a header instead.\n"
    "\n"
    "Names are matched without regard to case (ZAV41K DATA Absorbance will do).\n"
    "\n"
    "Example: zav41k-link advise zav41k data absorbance wavelength errorcode";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zav41k-link"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    const QCommandLineOption csvOption(QStringLiteral("csv"), QStringLiteral("Write CSV lines."));
    parser.addOption(csvOption);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("request, advise or notify"));
    parser.addPositionalArgument(QStringLiteral("names"), QStringLiteral("APP TOPIC ITEM..."),
                                 QStringLiteral("APP TOPIC ITEM..."));
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.value(0);
    const bool known = command == QLatin1String("request") || command == QLatin1String("advise") ||
                       command == QLatin1String("notify");
    if (!known || arguments.size() < 4 ||
        (command == QLatin1String("request") && arguments.size() != 4)) {
        err << "zav41k-link: usage: zav41k-link request|advise|notify APP TOPIC ITEM... "
               "(see --help)"
            << Qt::endl;
        return 2;
    }
    // A link that follows items lasts through a restart of the bus; a request does not wait.
    SessionBus bus(QStringLiteral("zav41k-link"));
    if (!bus.start()) {
        err << "zav41k-link: no session bus to link on (" << bus.lastError() << ")" << Qt::endl;
        return 1;
    }
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
    TerminationSignals::install([] { QCoreApplication::quit(); });
    return QCoreApplication::exec();
}
