// The MQTT bridge as a lab runs it: a source on the session bus, the bridge as its own
// process, a real mosquitto broker on loopback and subscribers as separate processes.

#include "app/indicatormodel.h"
#include "publish/linksource.h"
#include "support/mqttbroker.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

using Item = IndicatorModel::Item;

const QString kData = QStringLiteral("zav41k/lab1/data/");

// The bridge as its own process, with its messages kept.
class BridgeProcess {
public:
    explicit BridgeProcess(int port, const QStringList &extra = {})
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(qEnvironmentVariable("ZAV41K_MQTT"),
                        QStringList{QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                                    QStringLiteral("--port"), QString::number(port),
                                    QStringLiteral("--client-id"), QStringLiteral("lab1")} +
                            extra);
        m_process.waitForStarted(5000);
    }
    ~BridgeProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
        }
    }
    QString errors() { return m_errors += QString::fromUtf8(m_process.readAllStandardError()); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_errors;
};

// Makes a record's three assignments, in the order the decoder makes them, with an
// absorbance that no other record of the run has.
void record(IndicatorModel &indicators, int n)
{
    indicators.setText(Item::Wavelength, n % 2 ? QStringLiteral("600") : QStringLiteral("510"));
    indicators.setText(Item::Absorbance, QString::number(n / 1000.0, 'f', 3));
    indicators.setText(Item::Errorcode, QStringLiteral("0"));
}

QStringList expectedLines(int from, int to)
{
    QStringList lines;
    for (int n = from; n < to; ++n) {
        lines << kData + QStringLiteral("wavelength ") +
                     (n % 2 ? QStringLiteral("600") : QStringLiteral("510"))
              << kData + QStringLiteral("absorbance ") + QString::number(n / 1000.0, 'f', 3)
              << kData + QStringLiteral("errorcode 0");
    }
    return lines;
}

// Absorbance payloads in the order received, a repeat of one already seen left out: QoS 1
// delivers at least once, so a message the broker had not confirmed may come twice.
QStringList absorbancesOnce(const QStringList &lines)
{
    QStringList values;
    for (const QString &line : lines) {
        if (!line.startsWith(kData + QStringLiteral("absorbance ")))
            continue;
        const QString value = line.section(u' ', 1);
        if (!values.contains(value))
            values << value;
    }
    return values;
}

QStringList absorbances(int from, int to)
{
    QStringList values;
    for (int n = from; n < to; ++n)
        values << QString::number(n / 1000.0, 'f', 3);
    return values;
}

bool waitForLines(MqttSubscriber &subscriber, qsizetype count, int timeout = 10000)
{
    return QTest::qWaitFor([&] { return subscriber.lines().size() >= count; }, timeout);
}

bool connected(BridgeProcess &bridge, int times = 1)
{
    return QTest::qWaitFor(
        [&] { return bridge.errors().count(QStringLiteral("connected to the broker")) >= times; },
        15000);
}

} // namespace

class TestMqttBridge : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyUpdateArrivesInOrderAndTheLastIsRetained();
    void statusGoesOfflineWhenTheBridgeIsKilled();
    void statusGoesOfflineWhenTheBridgeIsStopped();
    void brokerRestartLosesNothing();
    void pastTheBoundTheOldestAreDropped();
    void wrongPasswordEndsWithAClearMessage();

private:
    IndicatorModel *m_indicators = nullptr;
    LinkSource *m_source = nullptr;
};

void TestMqttBridge::init()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("ZAV41K_MQTT"), "ZAV41K_MQTT names the bridge");
    m_indicators = new IndicatorModel;
    m_source = new LinkSource(*m_indicators);
    QVERIFY(m_source->publish(QDBusConnection::sessionBus()));
}

void TestMqttBridge::cleanup()
{
    delete m_source;
    delete m_indicators;
    m_source = nullptr;
    m_indicators = nullptr;
}

void TestMqttBridge::everyUpdateArrivesInOrderAndTheLastIsRetained()
{
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttSubscriber subscriber(broker.port(), kData + u'#');
    BridgeProcess bridge(broker.port());
    QVERIFY2(connected(bridge), qPrintable(bridge.errors()));
    QTest::qWait(300); // the subscription is in place

    // A burst far faster than a reader could send, then a paced stretch.
    for (int n = 1; n <= 300; ++n)
        record(*m_indicators, n);
    for (int n = 301; n <= 320; ++n) {
        record(*m_indicators, n);
        QTest::qWait(10);
    }
    const QStringList expected = expectedLines(1, 321);
    QVERIFY2(waitForLines(subscriber, expected.size()), qPrintable(bridge.errors()));
    QTest::qWait(200);
    QCOMPARE(subscriber.lines(), expected);

    // A subscriber that comes later gets each item's last value at once.
    MqttSubscriber later(
        broker.port(), kData + u'#', {},
        {QStringLiteral("--retained-only"), QStringLiteral("-C"), QStringLiteral("3")});
    QVERIFY(later.process().waitForFinished(5000));
    QStringList retained = later.lines();
    retained.sort();
    QCOMPARE(retained, (QStringList{kData + QStringLiteral("absorbance 0.320"),
                                    kData + QStringLiteral("errorcode 0"),
                                    kData + QStringLiteral("wavelength 510")}));
}

void TestMqttBridge::statusGoesOfflineWhenTheBridgeIsKilled()
{
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttSubscriber status(broker.port(), QStringLiteral("zav41k/lab1/status"));
    BridgeProcess bridge(broker.port());
    QVERIFY(waitForLines(status, 1));
    QCOMPARE(status.lines().last(), QStringLiteral("zav41k/lab1/status online"));

    ::kill(static_cast<pid_t>(bridge.process().processId()), SIGKILL);
    QVERIFY(waitForLines(status, 2));
    QCOMPARE(status.lines().last(), QStringLiteral("zav41k/lab1/status offline"));
}

void TestMqttBridge::statusGoesOfflineWhenTheBridgeIsStopped()
{
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttSubscriber status(broker.port(), QStringLiteral("zav41k/lab1/status"));
    BridgeProcess bridge(broker.port());
    QVERIFY(waitForLines(status, 1));
    bridge.process().terminate();
    QVERIFY(bridge.process().waitForFinished(5000));
    QCOMPARE(bridge.process().exitCode(), 0);
    QVERIFY(waitForLines(status, 2));
    QCOMPARE(status.lines().last(), QStringLiteral("zav41k/lab1/status offline"));
}

void TestMqttBridge::brokerRestartLosesNothing()
{
    MqttBroker broker;
    QVERIFY(broker.start());
    {
        // Registers the persistent session before anything is published.
        MqttSubscriber first(broker.port(), kData + QStringLiteral("absorbance"),
                             QStringLiteral("lims"));
        QTest::qWait(300);
    }
    MqttSubscriber subscriber(broker.port(), kData + QStringLiteral("absorbance"),
                              QStringLiteral("lims"));
    BridgeProcess bridge(broker.port());
    QVERIFY2(connected(bridge), qPrintable(bridge.errors()));

    // Records at line rate before, during and after a broker restart of two seconds.
    int n = 1;
    auto stream = [&](int count) {
        for (int i = 0; i < count; ++i, ++n) {
            record(*m_indicators, n);
            QTest::qWait(10);
        }
    };
    stream(100);
    broker.stop();
    stream(200);
    QVERIFY(broker.start());
    stream(100);
    QVERIFY2(connected(bridge, 2), qPrintable(bridge.errors()));

    const QStringList expected = absorbances(1, n);
    QVERIFY2(
        QTest::qWaitFor(
            [&] { return absorbancesOnce(subscriber.lines()).size() >= expected.size(); }, 20000),
        qPrintable(bridge.errors() + broker.log()));
    QCOMPARE(absorbancesOnce(subscriber.lines()), expected);
}

void TestMqttBridge::pastTheBoundTheOldestAreDropped()
{
    MqttBroker broker; // not started: the broker is away from the beginning
    BridgeProcess bridge(broker.port(), {QStringLiteral("--queue"), QStringLiteral("30")});
    QVERIFY(QTest::qWaitFor(
        [&] {
            return bridge.errors().contains(QStringLiteral("waiting")) ||
                   bridge.process().state() == QProcess::Running;
        },
        5000));
    QTest::qWait(300);
    for (int n = 1; n <= 50; ++n)
        record(*m_indicators, n); // 150 updates; the last 30 are the last 10 records

    QVERIFY(broker.start());
    MqttSubscriber subscriber(broker.port(), kData + u'#');
    QVERIFY2(connected(bridge), qPrintable(bridge.errors()));
    // Retained values only: the subscriber came after the updates went out.
    QVERIFY(waitForLines(subscriber, 3));
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     return bridge.errors().contains(
                         QStringLiteral("120 oldest updates were dropped"));
                 },
                 5000),
             qPrintable(bridge.errors()));
    QVERIFY(subscriber.lines().contains(kData + QStringLiteral("absorbance 0.050")));
}

void TestMqttBridge::wrongPasswordEndsWithAClearMessage()
{
    QTemporaryDir folder;
    const QString passwords = folder.filePath(QStringLiteral("passwords"));
    QProcess::execute(QStringLiteral("mosquitto_passwd"),
                      {QStringLiteral("-c"), QStringLiteral("-b"), passwords, QStringLiteral("lab"),
                       QStringLiteral("right")});
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                             QFileDevice::ExeOther);
    QFile::setPermissions(passwords, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                         QFileDevice::ReadOther);
    MqttBroker broker({QStringLiteral("password_file %1").arg(passwords)});
    QVERIFY(broker.start());

    auto passwordFile = [&](const char *password) {
        const QString path = folder.filePath(QString::fromLatin1(password));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray(password) + '\n');
        return path;
    };

    BridgeProcess wrong(broker.port(), {QStringLiteral("--username"), QStringLiteral("lab"),
                                        QStringLiteral("--password-file"), passwordFile("wrong")});
    QVERIFY(wrong.process().waitForFinished(10000));
    QVERIFY(wrong.process().exitCode() != 0);
    QVERIFY2(wrong.errors().contains(QStringLiteral("refused the connection")),
             qPrintable(wrong.errors()));
    QVERIFY2(wrong.errors().contains(QStringLiteral("password")), qPrintable(wrong.errors()));

    BridgeProcess right(broker.port(), {QStringLiteral("--username"), QStringLiteral("lab"),
                                        QStringLiteral("--password-file"), passwordFile("right")});
    QVERIFY2(connected(right), qPrintable(right.errors() + broker.log()));
}

QTEST_GUILESS_MAIN(TestMqttBridge)
#include "tst_mqttbridge.moc"
