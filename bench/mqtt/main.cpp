// zav41k-bench-mqtt: how much later than on the session bus a reading reaches an MQTT
// subscriber through zav41k-mqtt, at the reader's line rate.
//   zav41k-bench-mqtt BRIDGE BROKER-PORT [RECORDS]
// A source on the session bus makes one record's assignments 96 times a second; this process
// receives each absorbance both as a D-Bus signal and as an MQTT message through the broker
// and reports the difference. For scale, it also times its own messages through the broker.

#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "publish/linksource.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <mosquitto.h>

#include <algorithm>
#include <mutex>

namespace {

qint64 nowNs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.nsecsElapsed();
}

// Arrival times by payload, written by libmosquitto's thread.
struct Arrivals {
    std::mutex lock;
    QHash<QByteArray, qint64> bridged;
    QHash<QByteArray, qint64> direct;
};

void onMessage(mosquitto *, void *data, const mosquitto_message *message)
{
    const qint64 at = nowNs();
    auto *arrivals = static_cast<Arrivals *>(data);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    std::lock_guard<std::mutex> guard(arrivals->lock);
    (QByteArray(message->topic).endsWith("/direct") ? arrivals->direct : arrivals->bridged)
        .insert(payload, at);
}

class DbusArrivals : public QObject {
    Q_OBJECT
public:
    QHash<QByteArray, qint64> times;
public slots:
    void onChanged(const QDBusMessage &message)
    {
        const qint64 at = nowNs();
        const QVariantMap changed = qdbus_cast<QVariantMap>(message.arguments().value(1));
        if (changed.contains(QStringLiteral("absorbance")))
            times.insert(changed.value(QStringLiteral("absorbance")).toString().toUtf8(), at);
    }
};

QString percentiles(QList<qint64> values)
{
    if (values.isEmpty())
        return QStringLiteral("none");
    std::sort(values.begin(), values.end());
    auto at = [&](double q) {
        return values.at(qMin(values.size() - 1, qsizetype(q * values.size()))) / 1000.0;
    };
    return QStringLiteral("p50 %1 µs, p99 %2 µs, max %3 µs")
        .arg(at(0.5), 0, 'f', 0)
        .arg(at(0.99), 0, 'f', 0)
        .arg(values.last() / 1000.0, 0, 'f', 0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        out << "usage: zav41k-bench-mqtt BRIDGE BROKER-PORT [RECORDS]" << Qt::endl;
        return 2;
    }
    const int port = args.at(2).toInt();
    const int records = args.size() > 3 ? args.at(3).toInt() : 2000;

    IndicatorModel indicators;
    ReadingModel readings;
    LinkSource source(indicators, readings);
    if (!source.publish(QDBusConnection::sessionBus()))
        return 1;
    DbusArrivals dbus;
    QDBusConnection receiver =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("receiver"));
    receiver.connect(QStringLiteral("zav41k.Source"), QStringLiteral("/data"),
                     QStringLiteral("org.freedesktop.DBus.Properties"),
                     QStringLiteral("PropertiesChanged"), &dbus, SLOT(onChanged(QDBusMessage)));

    mosquitto_lib_init();
    Arrivals arrivals;
    mosquitto *client = mosquitto_new("bench-subscriber", true, &arrivals);
    mosquitto_message_callback_set(client, onMessage);
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    if (mosquitto_connect(client, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS) {
        out << "zav41k-bench-mqtt: no broker on port " << port << Qt::endl;
        return 1;
    }
    mosquitto_subscribe(client, nullptr, "zav41k/bench/data/absorbance", 1);
    mosquitto_subscribe(client, nullptr, "zav41k/bench/direct", 1);
    mosquitto_loop_start(client);

    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    bridge.start(args.at(1),
                 {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                  QString::number(port), QStringLiteral("--client-id"), QStringLiteral("bench")});
    QByteArray bridgeErrors;
    const QDeadlineTimer deadline(15000);
    while (!bridgeErrors.contains("connected to the broker") && !deadline.hasExpired()) {
        bridge.waitForReadyRead(100);
        bridgeErrors += bridge.readAllStandardError();
    }
    QEventLoop wait;
    QTimer::singleShot(500, &wait, &QEventLoop::quit);
    wait.exec();

    // One record every 10.4 ms, as 9600 baud delivers them; distinct absorbances.
    QHash<QByteArray, qint64> directSent;
    int n = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    pace.setInterval(10);
    QObject::connect(&pace, &QTimer::timeout, &app, [&] {
        if (n == records) {
            pace.stop();
            QTimer::singleShot(2000, &app, &QCoreApplication::quit);
            return;
        }
        const QString value = QString::number(++n);
        indicators.setText(IndicatorModel::Item::Wavelength, QStringLiteral("510"));
        indicators.setText(IndicatorModel::Item::Absorbance, value);
        indicators.setText(IndicatorModel::Item::Errorcode, QStringLiteral("0"));
        const QByteArray direct = value.toUtf8();
        directSent.insert(direct, nowNs());
        mosquitto_publish(client, nullptr, "zav41k/bench/direct", int(direct.size()),
                          direct.constData(), 1, false);
    });
    pace.start();
    QCoreApplication::exec();

    bridge.terminate();
    bridge.waitForFinished(5000);
    mosquitto_disconnect(client);
    mosquitto_loop_stop(client, false);

    QList<qint64> added;
    QList<qint64> brokerOnly;
    {
        std::lock_guard<std::mutex> guard(arrivals.lock);
        for (auto it = dbus.times.cbegin(); it != dbus.times.cend(); ++it) {
            if (arrivals.bridged.contains(it.key()))
                added.append(arrivals.bridged.value(it.key()) - it.value());
        }
        for (auto it = directSent.cbegin(); it != directSent.cend(); ++it) {
            if (arrivals.direct.contains(it.key()))
                brokerOnly.append(arrivals.direct.value(it.key()) - it.value());
        }
    }
    out << "records at line rate:                 " << records << '\n'
        << "absorbances on the session bus:       " << dbus.times.size() << '\n'
        << "absorbances through the bridge:       " << added.size() << '\n'
        << "bus to subscriber, through the bridge: " << percentiles(added) << '\n'
        << "publisher to subscriber, broker only: " << percentiles(brokerOnly) << Qt::endl;
    mosquitto_destroy(client);
    mosquitto_lib_cleanup();
    return added.size() == records ? 0 : 1;
}

#include "main.moc"
