#include "bridgeoptions.h"

#include "publish/linknames.h"
#include "tlsprobe.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kDescription[] =
    "Publishes the readings of a running ZAV41K to an MQTT broker: every update of the items\n"
    "absorbance, wavelength and errorcode goes to PREFIX/CLIENT-ID/data/ITEM, retained, QoS 1,\n"
    "and PREFIX/CLIENT-ID/status says \"online\", or \"offline\" when the bridge has gone.\n"
    "Each reading also goes to PREFIX/CLIENT-ID/reading as one JSON object (sequence, time,\n"
    "absorbance, shown, marker, wavelength, status, damaged, record), retained, QoS 1.\n"
    "Waits for the program if it is not running yet. Updates made while the broker is away\n"
    "wait (up to --queue of them, then the oldest are dropped) and go out in order when it\n"
    "is back.";

Failure usage(const QString &text)
{
    return Failure{Failure::InvalidPropertyValue, text};
}

// The longest string MQTT can carry (a client id, a topic), in bytes of UTF-8.
constexpr qsizetype kMqttStringBytes = 65535;

// Opens a file that the bridge reads at start, refusing anything but a regular file, so that
// a FIFO or a device named by mistake is reported instead of blocking the start.
Status checkReadable(const QString &what, const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return usage(QStringLiteral("cannot read the %1 %2: %3")
                         .arg(what, path, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular)
        return usage(QStringLiteral("the %1 %2 is not a regular file").arg(what, path));
    return {};
}

// A topic level: no wildcards, no separators, not empty.
bool isTopicLevel(const QString &text)
{
    return !text.isEmpty() && !text.contains(u'/') && !text.contains(u'+') && !text.contains(u'#');
}

// A control character in a name that goes into topics, ids and the broker's log: it is refused,
// since no broker or dashboard shows it and the MQTT library cannot take some of them.
Status checkPrintable(const QString &what, const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return usage(QStringLiteral("the %1 holds the control character U+%2")
                             .arg(what)
                             .arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    return {};
}

} // namespace

Outcome<BridgeOptions> BridgeOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    const QCommandLineOption host(QStringLiteral("host"),
                                  QStringLiteral("The broker's host (default: localhost)."),
                                  QStringLiteral("HOST"), QStringLiteral("localhost"));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("The broker's port (default: 1883, 8883 with --cafile)."),
        QStringLiteral("PORT"));
    const QCommandLineOption clientId(
        QStringLiteral("client-id"),
        QStringLiteral("The client id, also in the topics (default: the host name)."),
        QStringLiteral("ID"), QSysInfo::machineHostName());
    const QCommandLineOption prefix(QStringLiteral("prefix"),
                                    QStringLiteral("The first topic level (default: zav41k)."),
                                    QStringLiteral("PREFIX"), QStringLiteral("zav41k"));
    const QCommandLineOption username(QStringLiteral("username"),
                                      QStringLiteral("The user name at the broker."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("A file holding the password (its first line)."), QStringLiteral("FILE"));
    const QCommandLineOption caFile(
        QStringLiteral("cafile"),
        QStringLiteral("Use TLS, trusting the certificate authorities in FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption cert(QStringLiteral("cert"),
                                  QStringLiteral("The client certificate for TLS (PEM)."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption key(QStringLiteral("key"),
                                 QStringLiteral("The client certificate's key for TLS (PEM)."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption queue(
        QStringLiteral("queue"),
        QStringLiteral("How many updates may wait for the broker (default: 100000)."),
        QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption homeAssistant(
        QStringLiteral("homeassistant"),
        QStringLiteral(
            "Publish Home Assistant discovery records (retained, under "
            "homeassistant/sensor/), so that the reader appears without configuration."));
    parser.addOptions({host, port, clientId, prefix, username, passwordFile, caFile, cert, key,
                       queue, homeAssistant});
    // An unknown option is a usage error like any other, with its exit status.
    if (!parser.parse(arguments))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("no arguments are taken besides the options"));

    BridgeOptions options;
    BrokerLink::Settings &broker = options.broker;
    broker.host = parser.value(host);
    broker.caFile = parser.value(caFile);
    broker.certFile = parser.value(cert);
    broker.keyFile = parser.value(key);
    if (broker.certFile.isEmpty() != broker.keyFile.isEmpty())
        return usage(QStringLiteral("--cert and --key go together"));
    if (!broker.certFile.isEmpty() && broker.caFile.isEmpty())
        return usage(QStringLiteral("--cert needs --cafile"));
    const std::pair<QString, QString> files[] = {{QStringLiteral("CA file"), broker.caFile},
                                                 {QStringLiteral("certificate"), broker.certFile},
                                                 {QStringLiteral("key"), broker.keyFile}};
    for (const auto &[what, path] : files) {
        if (path.isEmpty())
            continue;
        const Status readable = checkReadable(what, path);
        if (!readable)
            return readable.failure();
    }
    // A file that cannot be used is not mended by trying the broker again.
    if (!broker.caFile.isEmpty()) {
        const QString unusable =
            TlsProbe::checkFiles(broker.caFile, broker.certFile, broker.keyFile);
        if (!unusable.isEmpty())
            return usage(unusable);
    }
    bool ok = true;
    broker.port = parser.isSet(port) ? parser.value(port).toInt(&ok)
                                     : (broker.caFile.isEmpty() ? 1883 : 8883);
    if (!ok || broker.port < 1 || broker.port > 65535)
        return usage(QStringLiteral("--port takes a number from 1 to 65535"));
    options.queueBound = parser.value(queue).toInt(&ok);
    if (!ok || options.queueBound < 1)
        return usage(QStringLiteral("--queue takes a number from 1 to %1").arg(INT_MAX));

    broker.clientId = parser.value(clientId);
    const QString prefixText = parser.value(prefix);
    for (const auto &[what, text] : {std::pair{QStringLiteral("client id"), broker.clientId},
                                     std::pair{QStringLiteral("prefix"), prefixText}}) {
        const Status printable = checkPrintable(what, text);
        if (!printable)
            return printable.failure();
    }
    if (!isTopicLevel(broker.clientId))
        return usage(
            QStringLiteral("the client id \"%1\" cannot be a topic level").arg(broker.clientId));
    if (!isTopicLevel(prefixText))
        return usage(QStringLiteral("the prefix \"%1\" cannot be a topic level").arg(prefixText));
    const qsizetype idBytes = broker.clientId.toUtf8().size();
    if (idBytes > kMqttStringBytes)
        return usage(QStringLiteral("the client id is %1 bytes long; MQTT takes at most %2")
                         .arg(idBytes)
                         .arg(kMqttStringBytes));

    broker.username = parser.value(username);
    if (parser.isSet(passwordFile)) {
        if (broker.username.isEmpty())
            return usage(QStringLiteral("--password-file needs --username"));
        const Status readable =
            checkReadable(QStringLiteral("password file"), parser.value(passwordFile));
        if (!readable)
            return readable.failure();
        QFile file(parser.value(passwordFile));
        if (!file.open(QIODevice::ReadOnly))
            return usage(QStringLiteral("cannot read the password file %1: %2")
                             .arg(file.fileName(), file.errorString()));
        broker.password = QString::fromUtf8(file.readLine(4096)).remove(u'\n').remove(u'\r');
    }

    const QByteArray base = (prefixText + u'/' + broker.clientId + u'/').toUtf8();
    options.topicBase = base + LinkNames::kTopic + '/';
    const qsizetype longest =
        options.topicBase.size() + qsizetype(std::strlen(LinkNames::kAbsorbance));
    if (longest > kMqttStringBytes)
        return usage(QStringLiteral("the prefix and client id make topics of %1 bytes; MQTT takes "
                                    "at most %2")
                         .arg(longest)
                         .arg(kMqttStringBytes));
    options.statusTopic = base + "status";
    options.readingTopic = base + "reading";
    options.homeAssistant = parser.isSet(homeAssistant);
    options.prefix = prefixText;
    broker.statusTopic = options.statusTopic;
    return options;
}
