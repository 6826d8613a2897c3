// The MQTT bridge as a lab runs it: a source on the session bus, the bridge as its own
// process, a real mosquitto broker on loopback and subscribers as separate processes.

#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "link/readerlink.h"
#include "publish/linksource.h"
#include "publish/sessionbus.h"
#include "resources/language.h"
#include "support/busdaemon.h"
#include "support/fakecommcontrol.h"
#include "support/jsonschemacheck.h"
#include "support/mqttbroker.h"
#include "support/scriptedprompter.h"

#include <QDBusConnectionInterface>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Item = IndicatorModel::Item;

const QString kData = u"zav41k/lab1/data/"_s;

// The bridge as its own process, as client "lab1" of the broker on `port`.
struct BridgeProcess : ChildProcess {
    explicit BridgeProcess(int port, const QStringList &extra = {})
        : ChildProcess(qEnvironmentVariable("ZAV41K_MQTT"),
                       QStringList{"--host", "127.0.0.1", "--port", QString::number(port),
                                   "--client-id", "lab1"} +
                           extra)
    {
    }
    bool connected(int times = 1) { return hasSaid(u"connected to the broker"_s, 15000, times); }
};

// What a subscriber that comes later is given at once: the retained messages, sorted.
QStringList retained(int port, const QString &topic, int count, const QStringList &extra = {})
{
    MqttSubscriber later(port, topic, {},
                         extra + QStringList{"--retained-only", "-C", QString::number(count)});
    later.exitCode(5000);
    QStringList lines = later.lines();
    lines.sort();
    return lines;
}

// Makes a record's three assignments, in the order the decoder makes them, with an
// absorbance that no other record of the run has.
void record(IndicatorModel &indicators, int n)
{
    indicators.setText(Item::Wavelength, n % 2 ? u"600"_s : u"510"_s);
    indicators.setText(Item::Absorbance, QString::number(n / 1000.0, 'f', 3));
    indicators.setText(Item::Errorcode, u"0"_s);
}

QStringList expectedLines(int from, int to)
{
    QStringList lines;
    for (int n = from; n < to; ++n) {
        lines << kData + u"wavelength "_s + (n % 2 ? u"600"_s : u"510"_s)
              << kData + u"absorbance "_s + QString::number(n / 1000.0, 'f', 3)
              << kData + u"errorcode 0"_s;
    }
    return lines;
}

// Absorbance payloads in the order received, a repeat of one already seen left out: QoS 1
// delivers at least once, so a message the broker had not confirmed may come twice.
QStringList absorbancesOnce(const QStringList &lines)
{
    QStringList values;
    for (const QString &line : lines) {
        if (!line.startsWith(kData + u"absorbance "_s))
            continue;
        const QString value = line.section(u' ', 1);
        if (!values.contains(value))
            values << value;
    }
    return values;
}

// A certificate authority and a broker certificate for 127.0.0.1 signed by it, made with the
// openssl tool; `name` tells authorities apart. "lab" also gets a broker certificate that
// expired, signed under a clock five days back for two days.
bool makeAuthority(const QString &folder, const QString &name)
{
    const QString script = uR"(set -e
ec="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
echo subjectAltName=IP:127.0.0.1 > san.ext
openssl req -x509 $ec -keyout $1.key -out $1.crt -days 2 -subj /CN=$1
openssl req $ec -keyout $1-broker.key -out $1-broker.csr -subj /CN=127.0.0.1
sign="openssl x509 -req -in $1-broker.csr -CA $1.crt -CAkey $1.key -CAcreateserial -days 2 \
    -extfile san.ext -out"
$sign $1-broker.crt
[ $1 != lab ] || faketime "5 days ago" $sign lab-expired.crt
chmod o+x . && chmod o+r $1-broker.key  # the broker runs under its own user when root starts it
)"_s;
    QProcess shell;
    shell.setWorkingDirectory(folder);
    shell.start(u"bash"_s, {"-c", script, "bash", name});
    return shell.waitForFinished(30000) && shell.exitCode() == 0;
}

// Returns once the process `pid` has been handed every message sent on the session bus before:
// the bus keeps the order, and a peer answers a ping only after what came ahead of it.
bool handedOver(qint64 pid)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QStringList names = bus.interface()->registeredServiceNames().value();
    for (const QString &name : names) {
        if (!name.startsWith(u':') || bus.interface()->servicePid(name).value() != pid)
            continue;
        return bus.call(QDBusMessage::createMethodCall(name, u"/"_s, u"org.freedesktop.DBus.Peer"_s,
                                                       u"Ping"_s))
                   .type() == QDBusMessage::ReplyMessage;
    }
    return false;
}

// A source on the session bus, as the program publishes its items and readings.
struct BusSource {
    IndicatorModel indicators;
    ReadingModel readings;
    LinkSource source{indicators, readings};
};

} // namespace

class TestMqttBridge : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("ZAV41K_MQTT"), "ZAV41K_MQTT names the bridge");
        QVERIFY(m_source.emplace().source.publish(QDBusConnection::sessionBus()));
    }
    void cleanup() { m_source.reset(); }

    void statusGoesOfflineWhenTheBridgeEnds_data()
    {
        QTest::addColumn<int>("signalNumber");
        // Killed: the broker sends the last will. Stopped: the bridge says goodbye itself, after
        // the updates it has taken, far more than it hands over at a time.
        QTest::newRow("killed") << int(SIGKILL);
        QTest::newRow("stopped") << int(SIGTERM);
    }

    void statusGoesOfflineWhenTheBridgeEnds()
    {
        QFETCH(int, signalNumber);
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber subscriber(broker.port(), u"zav41k/lab1/#"_s);
        BridgeProcess bridge(broker.port());
        QVERIFY(subscriber.waitForLines(1));
        QStringList expected{u"zav41k/lab1/status online"_s};
        QCOMPARE(subscriber.lines(), expected);

        if (signalNumber == SIGTERM) {
            for (int n = 1; n <= 300; ++n)
                record(m_source->indicators, n);
            QVERIFY(handedOver(bridge.process().processId()));
            expected << expectedLines(1, 301);
        }
        ::kill(static_cast<pid_t>(bridge.process().processId()), signalNumber);
        expected << u"zav41k/lab1/status offline"_s;
        if (signalNumber == SIGTERM) {
            // An update after the end was asked for is not the bridge's to send.
            QVERIFY(bridge.hasSaid(u"zav41k-mqtt: ending"_s, 5000));
            record(m_source->indicators, 301);
            QVERIFY(bridge.process().waitForFinished(5000));
            QCOMPARE(bridge.process().exitStatus(), QProcess::NormalExit);
            QCOMPARE(bridge.process().exitCode(), 0);
            // A message sent after the bridge has gone comes after anything it sent.
            QCOMPARE(QProcess::execute(u"mosquitto_pub"_s, {"-p", QString::number(broker.port()),
                                                            "-t", u"zav41k/lab1/end"_s, "-m", "x"}),
                     0);
            expected << u"zav41k/lab1/end x"_s;
            QVERIFY(subscriber.waitForLines(int(expected.size())));
            QCOMPARE(subscriber.lines(), expected);
            // A subscriber that comes later gets each item's last value at once.
            QCOMPARE(retained(broker.port(), kData + u'#', 3),
                     (QStringList{kData + u"absorbance 0.300"_s, kData + u"errorcode 0"_s,
                                  kData + u"wavelength 510"_s}));
        } else {
            QVERIFY(bridge.process().waitForFinished(5000));
            QVERIFY(subscriber.waitForLines(2));
            QCOMPARE(subscriber.lines().last(), expected.last());
        }
        // Retained: a dashboard that looks later sees it too.
        QCOMPARE(retained(broker.port(), u"zav41k/lab1/status"_s, 1),
                 QStringList{u"zav41k/lab1/status offline"_s});
    }

    void brokerRestartLosesNothing()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        {
            // Registers the persistent session before anything is published.
            MqttSubscriber first(broker.port(), kData + u"absorbance"_s, u"lims"_s);
            QVERIFY(broker.waitForSubscriptions(kData + u"absorbance"_s));
        }
        // -R: not the retained value that the broker sends again when the subscription is renewed
        // after the restart, out of the stream's order.
        MqttSubscriber subscriber(broker.port(), kData + u"absorbance"_s, u"lims"_s, {u"-R"_s});
        BridgeProcess bridge(broker.port());
        QVERIFY2(bridge.connected(), qPrintable(bridge.errors()));

        // Records at line rate before and during a broker restart of two seconds; the last three
        // before it are sent to a broker that no longer answers, so the client sends them again
        // after the restart, ahead of what waited. What waited goes out with no new record to
        // push it, many times the client's window; then more.
        int n = 1;
        auto stream = [&](int count) {
            for (int i = 0; i < count; ++i, ++n) {
                record(m_source->indicators, n);
                QTest::qWait(10);
            }
        };
        auto allArrive = [&] {
            return QTest::qWaitFor(
                [&] { return absorbancesOnce(subscriber.lines()).size() >= n - 1; }, 20000);
        };
        stream(97);
        broker.freeze();
        stream(3);
        broker.stop();
        stream(197);
        QVERIFY(broker.start());
        QVERIFY2(bridge.connected(2), qPrintable(bridge.errors()));
        QVERIFY2(allArrive(), qPrintable(bridge.errors() + broker.log()));
        stream(100);

        QStringList expected;
        for (int i = 1; i < n; ++i)
            expected << QString::number(i / 1000.0, 'f', 3);
        QVERIFY2(allArrive(), qPrintable(bridge.errors() + broker.log()));
        const QStringList received = absorbancesOnce(subscriber.lines());
        // What the bridge and the broker said tells which of them held an update back.
        if (received != expected)
            qWarning().noquote() << "around index 99:" << subscriber.lines().mid(90, 30).join(u'|')
                                 << "\nbridge:" << bridge.errors() << "\nbroker:" << broker.log();
        QCOMPARE(received, expected);
    }

    void pastTheBoundTheOldestAreDropped()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        {
            // A subscriber whose session the broker keeps while the subscriber is away.
            MqttSubscriber first(broker.port(), kData + u'#', u"lims"_s);
            QVERIFY(broker.waitForSubscriptions(kData + u'#'));
        }
        broker.stop(); // away from before the bridge starts
        BridgeProcess bridge(broker.port(), {u"--queue"_s, u"30"_s});
        QVERIFY2(bridge.hasSaid(u"cannot reach the broker"_s, 5000), qPrintable(bridge.errors()));
        // Subscribed to the source before it tried the broker: no update is missed.
        for (int n = 1; n <= 50; ++n)
            record(m_source->indicators,
                   n); // 150 updates, of which the last 30 are the last 10 records

        QVERIFY(broker.start());
        QVERIFY2(bridge.connected(), qPrintable(bridge.errors()));
        // -R: not the retained values that the broker sends again when the subscription is renewed.
        MqttSubscriber subscriber(broker.port(), kData + u'#', u"lims"_s, {u"-R"_s});
        record(m_source->indicators, 51); // the last: once it is there, nothing else is on its way
        const QStringList expected = expectedLines(41, 52);
        QVERIFY2(subscriber.waitForLines(expected.size()), qPrintable(bridge.errors()));
        QCOMPARE(subscriber.lines(), expected);
        QVERIFY2(bridge.errors().contains(u"the 120 oldest updates were dropped"_s),
                 qPrintable(bridge.errors()));
    }

    void wrongPasswordEndsWithAClearMessage()
    {
        QTemporaryDir folder;
        const QString passwords = folder.filePath(u"passwords"_s);
        // The broker runs under its own user when root starts it.
        QProcess::execute(u"sh"_s, {"-c",
                                    "cd \"$0\" && mosquitto_passwd -c -b passwords lab right && "
                                    "echo right >right && echo wrong >wrong && chmod o+rx . && "
                                    "chmod o+r passwords",
                                    folder.path()});
        MqttBroker broker({"password_file " + passwords});
        QVERIFY(broker.start());
        auto passwordFile = [&](const char *name) { return folder.filePath(QLatin1String(name)); };
        BridgeProcess wrong(broker.port(), {u"--username"_s, u"lab"_s, u"--password-file"_s,
                                            passwordFile("wrong")});
        QCOMPARE(wrong.exitCode(), 1);
        // One message, and no word of retrying after it.
        QCOMPARE(wrong.errors().count(u"refused the connection"_s), 1);
        QVERIFY2(wrong.errors().contains(u"password"_s), qPrintable(wrong.errors()));
        QVERIFY2(!wrong.errors().contains(u"broker ("_s), qPrintable(wrong.errors()));

        BridgeProcess right(broker.port(), {u"--username"_s, u"lab"_s, u"--password-file"_s,
                                            passwordFile("right")});
        QVERIFY2(right.connected(), qPrintable(right.errors() + broker.log()));
    }

    void tlsWithTheBrokersAuthority()
    {
        QTemporaryDir folder;
        QVERIFY(makeAuthority(folder.path(), u"lab"_s));
        QVERIFY(makeAuthority(folder.path(), u"stranger"_s));
        const QString lab = folder.filePath(u"lab.crt"_s);
        auto tlsBroker = [&](const char *certificate) {
            return std::make_unique<MqttBroker>(QStringList{
                "cafile " + lab, "certfile " + folder.filePath(QLatin1String(certificate)),
                "keyfile " + folder.filePath(u"lab-broker.key"_s)});
        };
        const auto broker = tlsBroker("lab-broker.crt");
        QVERIFY(broker->start());
        BridgeProcess trusting(broker->port(), {"--cafile", lab});
        QVERIFY2(trusting.connected(), qPrintable(trusting.errors() + broker->log()));
        MqttSubscriber subscriber(broker->port(), kData + u'#', {}, {"--cafile", lab});
        QVERIFY(broker->waitForSubscriptions(kData + u'#'));
        record(m_source->indicators, 7);
        QVERIFY(subscriber.waitForLines(3));
        QCOMPARE(subscriber.lines(), expectedLines(7, 8));

        // Each failure is named by its cause, not as one TLS error for all.
        MqttBroker plain;
        QVERIFY(plain.start());
        const auto expired = tlsBroker("lab-expired.crt");
        QVERIFY(expired->start());
        const struct {
            const char *name;
            int port;
            QStringList extra;
            QString cause;
        } failures[] = {
            {"another authority",
             broker->port(),
             {u"--cafile"_s, folder.filePath(u"stranger.crt"_s)},
             u"not trusted: self-signed certificate in certificate chain"_s},
            {"another host name",
             broker->port(),
             {u"--cafile"_s, lab, u"--host"_s, u"localhost"_s},
             u"not trusted: hostname mismatch"_s},
            {"expired",
             expired->port(),
             {u"--cafile"_s, lab},
             u"not trusted: certificate has expired"_s},
            {"a plain port", plain.port(), {u"--cafile"_s, lab}, u"the TLS handshake failed ("_s},
        };
        int n = 2;
        for (const auto &failure : failures) {
            BridgeProcess wary(failure.port,
                               failure.extra + QStringList{u"--client-id"_s, u"lab%1"_s.arg(n++)});
            QVERIFY2(wary.hasSaid(u"cannot reach the broker"_s, 20000), qPrintable(wary.errors()));
            QVERIFY2(wary.errors().contains(failure.cause),
                     qPrintable(failure.name + (": " + wary.errors())));
            QVERIFY(!wary.errors().contains(u"connected to the broker"_s));
        }

        // Files that cannot be used end the start, as any other usage error.
        BridgeProcess mismatched(broker->port(), {u"--cafile"_s, lab, u"--cert"_s, lab, u"--key"_s,
                                                  folder.filePath(u"stranger.key"_s)});
        QCOMPARE(mismatched.exitCode(), 2);
        QVERIFY2(mismatched.errors().contains(u"does not belong to the certificate"_s),
                 qPrintable(mismatched.errors()));
    }

    // The session bus dies and comes back on the same address: the bridge follows the source there
    // again, and says so once.
    void busRestartIsOutlived()
    {
        QTemporaryDir folder;
        BusDaemon bus(folder.path());
        QVERIFY(bus.start());
        const QByteArray ownBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("DBUS_SESSION_BUS_ADDRESS", ownBus); });
        // A source on that bus, kept there as the program keeps its own.
        IndicatorModel indicators;
        ReadingModel readings;
        LinkSource source(indicators, readings);
        SessionBus sourceBus(u"tst-source"_s);
        connect(&sourceBus, &SessionBus::connected, &source,
                [&source](const QDBusConnection &connection) { (void)source.publish(connection); });
        QVERIFY(sourceBus.start());

        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber subscriber(broker.port(), kData + u"absorbance"_s);
        BridgeProcess bridge(broker.port());
        QVERIFY2(bridge.connected(), qPrintable(bridge.errors()));
        auto arrives = [&](int n) {
            const QString value = QString::number(n / 1000.0, 'f', 3);
            return QTest::qWaitFor(
                [&] {
                    record(indicators, n);
                    QTest::qWait(100);
                    return absorbancesOnce(subscriber.lines()).contains(value);
                },
                15000);
        };
        QVERIFY2(arrives(1), qPrintable(bridge.errors()));

        bus.kill();
        QTest::qWait(2500);
        QVERIFY(bus.start());
        QVERIFY2(arrives(2), qPrintable(bridge.errors()));
        QCOMPARE(bridge.errors().count(u"the session bus is gone"_s), 1);
        QCOMPARE(bridge.errors().count(u"the session bus is back"_s), 1);
    }

    // Each reading as one JSON object on the reading topic, and the discovery records of a
    // dashboard, through a real broker; every payload as its schema in the tests says.
    void readingsAsJsonAndDiscoveryRecords()
    {
        setCurrentLanguage(Language::English);
        FakeCommControl comm;
        ScriptedPrompter prompter;
        ReaderLink reader(comm, m_source->indicators, m_source->readings, prompter, QLocale::c());
        const QString readingTopic = u"zav41k/lab1/reading"_s;
        const QString discovery = u"homeassistant/sensor/zav41k_lab1/"_s;

        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber subscriber(broker.port(), readingTopic, {}, {u"-t"_s, u"homeassistant/#"_s});
        BridgeProcess bridge(broker.port(), {u"--homeassistant"_s});
        QVERIFY2(bridge.connected(), qPrintable(bridge.errors()));
        QVERIFY(broker.waitForSubscriptions(readingTopic));
        QVERIFY(broker.waitForSubscriptions(u"homeassistant/#"_s));

        // Among them what the reader never sends: a field that does not convert, a NUL byte, a
        // piece too short to be a record; each reading's fields are checked by the schema.
        // clang-format off
        const QByteArrayList records{"1234 000", "2005 100", "9999 100", "0123 010", "0123 101",
                                     "-012 000", "abcd 100", "1234 0x0", QByteArray("1234\0" "000", 8), "12 0"};
        // clang-format on
        for (const QByteArray &line : records)
            comm.receive(line + "\r\n");
        QVERIFY2(subscriber.waitForLines(records.size() + 3), qPrintable(bridge.errors()));

        QByteArrayList readings;
        QMap<QString, QJsonObject> configs;
        for (const QString &line : subscriber.lines()) {
            const QString topic = line.section(u' ', 0, 0);
            const QByteArray payload = line.section(u' ', 1).toUtf8();
            if (topic == readingTopic) {
                readings << payload;
            } else {
                QVERIFY2(topic.startsWith(discovery) && topic.endsWith("/config"_L1),
                         qPrintable(topic));
                configs.insert(topic.mid(discovery.size()).section(u'/', 0, 0),
                               QJsonDocument::fromJson(payload).object());
            }
        }
        QCOMPARE(readings.size(), records.size());
        const QString schemas = qEnvironmentVariable("ZAV41K_SCHEMAS");
        const QString readingSchema = schemas + u"/reading.schema.json"_s;
        QString violations = schemaViolations(readingSchema, readings);
        QVERIFY2(violations.isEmpty(), qPrintable(violations));
        // The check can fail: a reading without its number is refused.
        QVERIFY(!schemaViolations(readingSchema, {R"({"time":"x","status":"ok"})"}).isEmpty());
        for (int i = 0; i < readings.size(); ++i) {
            const QJsonObject reading = QJsonDocument::fromJson(readings.at(i)).object();
            QCOMPARE(reading.value(u"record"_s).toString().toUtf8(), records.at(i));
            QCOMPARE(reading.value(u"sequence"_s).toInteger(), i + 1);
        }
        QVERIFY(readings.at(8).contains(R"("record":"1234\u0000000")"));

        QCOMPARE(configs.keys(), (QStringList{u"absorbance"_s, u"status"_s, u"wavelength"_s}));
        QByteArrayList configPayloads;
        for (const QJsonObject &config : std::as_const(configs)) {
            configPayloads << QJsonDocument(config).toJson(QJsonDocument::Compact);
            QCOMPARE(config.value(u"state_topic"_s).toString(), readingTopic);
            QCOMPARE(config.value(u"availability_topic"_s).toString(), u"zav41k/lab1/status"_s);
        }
        violations = schemaViolations(schemas + u"/discovery.schema.json"_s, configPayloads);
        QVERIFY2(violations.isEmpty(), qPrintable(violations));
        QCOMPARE(configs.value(u"absorbance"_s).value(u"state_class"_s), u"measurement"_s);

        // A dashboard that starts later finds the device and the last reading at once.
        const QStringList kept =
            retained(broker.port(), readingTopic, 4, {"-t", "homeassistant/#"});
        QCOMPARE(kept.size(), 4);
        QVERIFY(kept.filter(readingTopic + u' ').value(0).contains("\"record\":\"12 0\""_L1));
    }

    // Home Assistant keys a device by its node: readers whose client ids or prefixes differ must
    // never share one, or one replaces the other's sensors.
    void everyBridgeIsItsOwnNode()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        MqttSubscriber subscriber(broker.port(), u"homeassistant/#"_s);
        QVERIFY(broker.waitForSubscriptions(u"homeassistant/#"_s));
        const QList<QStringList> bridges{
            {u"--client-id"_s, u"lab_reader"_s},
            {u"--client-id"_s, u"lab reader"_s},
            {u"--client-id"_s, u"lab.reader"_s},
            {u"--client-id"_s, u"Zürich"_s},
            {u"--client-id"_s, u"Zòrich"_s},
            {u"--client-id"_s, u"lab_reader"_s, u"--prefix"_s, u"plant2"_s},
        };
        std::vector<std::unique_ptr<BridgeProcess>> running;
        for (const QStringList &options : bridges)
            running.push_back(std::make_unique<BridgeProcess>(
                broker.port(), options + QStringList{u"--homeassistant"_s}));
        QVERIFY2(subscriber.waitForLines(3 * bridges.size()), qPrintable(broker.log()));
        QSet<QString> nodes;
        for (const QString &line : subscriber.lines())
            nodes.insert(line.section(u'/', 2, 2));
        QCOMPARE(nodes.size(), bridges.size());
        // A client id that is an id already, under the usual prefix, keeps the node it always had.
        QVERIFY2(nodes.contains(u"zav41k_lab_reader"_s), qPrintable(nodes.values().join(u' ')));
    }

private:
    std::optional<BusSource> m_source;
};

QTEST_GUILESS_MAIN(TestMqttBridge)
#include "tst_mqttbridge.moc"
