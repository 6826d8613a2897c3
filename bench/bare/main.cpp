// zav41k-bare: the least a program can do to pass the reader's records on to linked programs.
// It reads the line, cuts records at the line end and sends the same four messages a record as
// the program: one PropertiesChanged per item and the typed reading, with the same arguments,
// but with no window, no decoder and no indicators. The benchmarks measure the program against
// it, so that a ratio is what the program adds.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QFile>
#include <QSocketNotifier>
#include <QVariantMap>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 1;
    struct termios tio {};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);

    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.interface()->registerService(QStringLiteral("zav41k.Source"));
    const QString path = QStringLiteral("/data");
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString interface = QStringLiteral("zav41k.Source");
    auto publish = [&](const char *item, const QString &value) {
        QDBusMessage signal =
            QDBusMessage::createSignal(path, properties, QStringLiteral("PropertiesChanged"));
        signal << interface << QVariantMap{{QString::fromLatin1(item), value}} << QStringList();
        bus.send(signal);
    };

    const QString readings = QStringLiteral("zav41k.Reading1");
    const QString readingSignal = QStringLiteral("Reading");
    quint64 sequence = 0;
    // The typed reading's nine arguments, taken from the record's fields as they stand.
    auto publishReading = [&](const QByteArray &record) {
        QDBusMessage signal = QDBusMessage::createSignal(path, readings, readingSignal);
        const qint64 now = QDateTime::currentMSecsSinceEpoch() * 1000;
        const QString shown = QString::fromLatin1(record.left(1) + '.' + record.mid(1, 3));
        signal << QVariant::fromValue(qulonglong(++sequence)) << QVariant::fromValue(qlonglong(now))
               << record.left(4).toInt() / 1000.0 << shown << false
               << QVariant::fromValue(quint32(record.at(5) == '0' ? 510 : 600))
               << QStringLiteral("ok") << false << QString::fromLatin1(record);
        bus.send(signal);
    };

    QByteArray line;
    QSocketNotifier notifier(fd, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char buffer[1024];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            notifier.setEnabled(false);
            return;
        }
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c != '\r' && c != '\n') {
                line.append(c);
                continue;
            }
            if (line.size() >= 8) {
                const QString record = QString::fromLatin1(line);
                publish("wavelength", record.mid(5, 1));
                publish("absorbance", record.left(4));
                publish("errorcode", QStringLiteral("0"));
                publishReading(line);
            }
            line.clear();
        }
    });
    return QCoreApplication::exec();
}
