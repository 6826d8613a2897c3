#include "discovery.h"

#include "publish/linknames.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// Discovery ids take letters, digits, '_' and '-' only.
QString idFrom(const QString &text)
{
    QString id;
    for (const QChar c : text)
        id += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' ? c : u'_';
    return id;
}

// The node of one bridge: unique for each exact client id and prefix, since a node shared by
// two readers would let one replace the other's sensors. A client id that is already an id,
// under the default prefix, is its own node, as it always was; any other takes a hash of both.
QString nodeOf(const QString &prefix, const QString &clientId)
{
    static const QRegularExpression hashed(QStringLiteral("_h[0-9a-f]{12}$"));
    const QString id = idFrom(clientId);
    if (prefix == QLatin1String(LinkNames::kApplication) && id == clientId &&
        !hashed.match(id).hasMatch())
        return QStringLiteral("zav41k_") + id;
    // Neither part can hold '/', so the pair is told apart from every other pair.
    const QByteArray both = (prefix + u'/' + clientId).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(both, QCryptographicHash::Sha256).toHex();
    return QStringLiteral("zav41k_%1_h%2").arg(id, QString::fromLatin1(hash.left(12)));
}

} // namespace

namespace Discovery {

QList<PublishQueue::Update> homeAssistant(const BridgeOptions &options)
{
    const QString node = nodeOf(options.prefix, options.broker.clientId);
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{node}},
        {QStringLiteral("name"),
         QStringLiteral("ZAV-41K reader (%1)").arg(options.broker.clientId)},
        {QStringLiteral("model"), QStringLiteral("ZAV-41K film-dosimetry reader")},
        {QStringLiteral("sw_version"), QStringLiteral(ZAV41K_VERSION)},
    };
    const QString readingTopic = QString::fromUtf8(options.readingTopic);
    const QString statusTopic = QString::fromUtf8(options.statusTopic);

    struct Sensor {
        const char *object;
        const char *name;
        QJsonObject extra;
    };
    const Sensor sensors[] = {
        {"absorbance",
         "Absorbance",
         {{QStringLiteral("state_class"), QStringLiteral("measurement")},
          {QStringLiteral("suggested_display_precision"), 3},
          // The whole reading (sequence, time, damaged, record) as the sensor's attributes.
          {QStringLiteral("json_attributes_topic"), readingTopic}}},
        {"wavelength",
         "Wavelength",
         {{QStringLiteral("state_class"), QStringLiteral("measurement")},
          {QStringLiteral("unit_of_measurement"), QStringLiteral("nm")}}},
        {"status",
         "Status",
         {{QStringLiteral("device_class"), QStringLiteral("enum")},
          {QStringLiteral("options"),
           QJsonArray{QStringLiteral("ok"), QStringLiteral("under-range"),
                      QStringLiteral("over-range"), QStringLiteral("no-data"),
                      QStringLiteral("dropped")}}}},
    };

    QList<PublishQueue::Update> records;
    for (const Sensor &sensor : sensors) {
        const QString object = QString::fromLatin1(sensor.object);
        QJsonObject config = sensor.extra;
        config.insert(QStringLiteral("name"), QString::fromLatin1(sensor.name));
        config.insert(QStringLiteral("unique_id"), node + u'_' + object);
        config.insert(QStringLiteral("object_id"), node + u'_' + object);
        config.insert(QStringLiteral("state_topic"), readingTopic);
        // An absorbance of null (LO, HI, the marker) renders as none: the state is unknown.
        config.insert(QStringLiteral("value_template"),
                      QStringLiteral("{{ value_json.%1 }}").arg(object));
        config.insert(QStringLiteral("availability_topic"), statusTopic);
        config.insert(QStringLiteral("payload_available"), QStringLiteral("online"));
        config.insert(QStringLiteral("payload_not_available"), QStringLiteral("offline"));
        config.insert(QStringLiteral("device"), device);
        const QString topic =
            QStringLiteral("%1/sensor/%2/%3/config").arg(QLatin1String(kPrefix), node, object);
        records.append({topic.toUtf8(), QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    return records;
}

} // namespace Discovery
