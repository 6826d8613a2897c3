// zav41k-bench-client: a linked program for the benchmarks. Prints one line per update it
// receives: the CLOCK_MONOTONIC time in nanoseconds, the item and the value.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

#include <cstdio>
#include <ctime>

class Client : public QObject {
    Q_OBJECT

public slots:
    void changed(const QDBusMessage &message)
    {
        struct timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long long ns = now.tv_sec * 1000000000LL + now.tv_nsec;
        const QVariantMap values = qdbus_cast<QVariantMap>(message.arguments().value(1));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            std::printf("%lld %s %s\n", ns, qPrintable(it.key()),
                        qPrintable(it.value().toString()));
        std::fflush(stdout);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    Client client;
    QDBusConnection::sessionBus().connect(QStringLiteral("zav41k.Source"), QStringLiteral("/data"),
                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                          QStringLiteral("PropertiesChanged"), &client,
                                          SLOT(changed(QDBusMessage)));
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "latencyclient.moc"
