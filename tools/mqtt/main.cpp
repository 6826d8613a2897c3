// zav41k-mqtt: carries the readings of a running ZAV41K to an MQTT broker.

#include "bridgeoptions.h"
#include "brokerlink.h"
#include "discovery.h"
#include "mqttbridge.h"
#include "publishqueue.h"

#include "common/terminationsignals.h"
#include "publish/busowner.h"
#include "publish/itemfollower.h"
#include "publish/linknames.h"
#include "publish/readingfollower.h"
#include "publish/sessionbus.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zav41k-mqtt"));
    QTextStream err(stderr);

    const Outcome<BridgeOptions> options = BridgeOptions::parse(QCoreApplication::arguments());
    if (!options) {
        err << "zav41k-mqtt: " << options.failure().description << " (see --help)" << Qt::endl;
        return 2;
    }

    SessionBus bus(QStringLiteral("zav41k-mqtt"));
    if (!bus.start()) {
        err << "zav41k-mqtt: no session bus to link on (" << bus.lastError() << ")" << Qt::endl;
        return 1;
    }
    QList<LinkAddress> addresses;
    for (const char *item : {LinkNames::kAbsorbance, LinkNames::kWavelength, LinkNames::kErrorcode})
        addresses.append(LinkAddress::ofItem(QString::fromLatin1(item)));
    ItemFollower follower(bus.connection());
    QObject::connect(
        &follower, &ItemFollower::sourceOwnedByAnother, [&err](qint64 pid, const QString &program) {
            err << "zav41k-mqtt: "
                << BusOwner{pid, program}.notTheProgram(QStringLiteral("zav41k.Source"))
                << Qt::endl;
        });
    if (!follower.follow(addresses)) {
        err << "zav41k-mqtt: cannot subscribe: " << follower.lastError() << Qt::endl;
        return 1;
    }
    ReadingFollower readings(bus.connection());
    if (!readings.follow()) {
        err << "zav41k-mqtt: cannot subscribe: " << readings.lastError() << Qt::endl;
        return 1;
    }
    // After the bus was lost and is back, the bridge follows the source again there.
    QObject::connect(&bus, &SessionBus::connected, &follower, [&](const QDBusConnection &again) {
        if (!follower.rebind(again))
            err << "zav41k-mqtt: cannot subscribe again: " << follower.lastError() << Qt::endl;
        if (!readings.rebind(again))
            err << "zav41k-mqtt: cannot subscribe again: " << readings.lastError() << Qt::endl;
    });
    if (!follower.isSourceRunning())
        err << "zav41k-mqtt: waiting for the source to start" << Qt::endl;

    BrokerLink broker(options.value().broker);
    PublishQueue queue(options.value().queueBound, BrokerLink::kWindow);
    MqttBridge bridge(follower, readings, broker, queue, options.value().topicBase,
                      options.value().readingTopic,
                      options.value().homeAssistant ? Discovery::homeAssistant(options.value())
                                                    : QList<PublishQueue::Update>(),
                      err);

    int status = 0;
    QObject::connect(&broker, &BrokerLink::refused, &app, [&](const QString &reason) {
        err << "zav41k-mqtt: the broker at " << options.value().broker.host << ':'
            << options.value().broker.port << " refused the connection: " << reason << Qt::endl;
        status = 1;
        QCoreApplication::quit();
    });
    QObject::connect(&broker, &BrokerLink::stopped, &app, &QCoreApplication::quit);
    TerminationSignals::install([&bridge] { bridge.stop(); });

    QString error;
    if (!broker.start(&error)) {
        err << "zav41k-mqtt: " << error << Qt::endl;
        return 1;
    }
    const int loop = QCoreApplication::exec();
    return status != 0 ? status : loop;
}
