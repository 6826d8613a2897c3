#include "bridgeoptions.h"

#include "publish/linknames.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSysInfo>

namespace {

const char kDescription[] =
    "Publishes the readings of a running ZAV41K to an MQTT broker: every update of the items\n"
    "absorbance, wavelength and errorcode goes to PREFIX/CLIENT-ID/data/ITEM, retained, QoS 1,\n"
    "and PREFIX/CLIENT-ID/status says \"online\", or \"offline\" when the bridge has gone.\n"
    "Waits for the program if it is not running yet. Updates made while the broker is away\n"
    "wait (up to --queue of them, then the oldest are dropped) and go out in order when it\n"
    "is back.";

Failure usage(const QString &text)
{
    return Failure{Failure::InvalidPropertyValue, text};
}

// A topic level: no wildcards, no separators, not empty.
bool isTopicLevel(const QString &text)
{
    return !text.isEmpty() && !text.contains(u'/') && !text.contains(u'+') && !text.contains(u'#');
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
    parser.addOptions(
        {host, port, clientId, prefix, username, passwordFile, caFile, cert, key, queue});
    parser.process(arguments); // --help and unknown options end the program here
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
    bool ok = true;
    broker.port = parser.isSet(port) ? parser.value(port).toInt(&ok)
                                     : (broker.caFile.isEmpty() ? 1883 : 8883);
    if (!ok || broker.port < 1 || broker.port > 65535)
        return usage(QStringLiteral("--port takes a number from 1 to 65535"));
    options.queueBound = parser.value(queue).toInt(&ok);
    if (!ok || options.queueBound < 1)
        return usage(QStringLiteral("--queue takes a positive number"));

    broker.clientId = parser.value(clientId);
    if (!isTopicLevel(broker.clientId))
        return usage(
            QStringLiteral("the client id \"%1\" cannot be a topic level").arg(broker.clientId));
    const QString prefixText = parser.value(prefix);
    if (!isTopicLevel(prefixText))
        return usage(QStringLiteral("the prefix \"%1\" cannot be a topic level").arg(prefixText));

    broker.username = parser.value(username);
    if (parser.isSet(passwordFile)) {
        if (broker.username.isEmpty())
            return usage(QStringLiteral("--password-file needs --username"));
        QFile file(parser.value(passwordFile));
        if (!file.open(QIODevice::ReadOnly))
            return usage(QStringLiteral("cannot read the password file %1: %2")
                             .arg(file.fileName(), file.errorString()));
        broker.password = QString::fromUtf8(file.readLine(4096)).remove(u'\n').remove(u'\r');
    }

    const QByteArray base = (prefixText + u'/' + broker.clientId + u'/').toUtf8();
    options.topicBase = base + LinkNames::kTopic + '/';
    options.statusTopic = base + "status";
    broker.statusTopic = options.statusTopic;
    return options;
}
