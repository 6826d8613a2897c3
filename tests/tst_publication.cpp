#include "link/watchdog.h"
#include "publish/linksource.h"
#include "support/fakecommcontrol.h"
#include "support/linkprocess.h"
#include "support/readerharness.h"

#include <QtDBus>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"zav41k.Source"_s;
const QString kPath = u"/data"_s;
const QString kProperties = u"org.freedesktop.DBus.Properties"_s;

// The reader link published on the session bus, as the main window publishes it.
struct PublishedReader : ReaderHarness<FakeCommControl> {
    PublishedReader() { published = source.publish(QDBusConnection::sessionBus()); }
    ~PublishedReader() { QDBusConnection::sessionBus().unregisterService(kService); }

    // Sends a marker record until a linked client has seen it, so that nothing later is missed
    // while the client subscribes.
    bool linkedClientReady(LinkProcess &client, const QString &line)
    {
        return client.sendUntilSeen([this] { comm.receive("0001 000\r\n"); }, line);
    }

    LinkSource source{indicators, readings};
    bool published = false;
};

// Calls over a connection of its own, as another program would.
QDBusMessage callSource(const QString &interface, const QString &member,
                        const QVariantList &arguments)
{
    static QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client"_s);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, member);
    call.setArguments(arguments);
    QDBusPendingCall pending = client.asyncCall(call, 5000);
    // The source answers from this same thread, so wait with the event loop running.
    for (int i = 0; i < 120 && !pending.isFinished(); ++i)
        QTest::qWait(50);
    return pending.reply();
}

} // namespace

class TestPublication : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run the tests through scripts/test, which starts one");
    }

    void linkedClientReceivesEveryAssignmentInOrder()
    {
        PublishedReader r;
        QVERIFY(r.published);
        LinkProcess client({u"advise"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s, u"wavelength"_s,
                            u"errorcode"_s});
        QVERIFY(r.linkedClientReady(client, u"absorbance\t0.001"_s));
        const qsizetype before = client.lines().size();

        r.comm.receive("1234 000\r\n0123 010\r\n"); // the second record waits in the buffer
        r.comm.receive({});
        r.comm.receive("9999 100\r\n");
        r.comm.receive("abcd 001\r\n"); // count fails: the previous count with the over-range flag
        // One record a line.
        // clang-format off
        const QStringList expected{
            "wavelength\t510", "absorbance\t1.234", "errorcode\t0",
            "wavelength\t510", "errorcode\tUnder Range -- Check Zero", "absorbance\tLO",
            "wavelength\t600", "absorbance\t9999", "errorcode\t0",
            "wavelength\t510", "errorcode\tOver Range -- Check Zero", "absorbance\tHI"};
        // clang-format on
        QTRY_COMPARE(client.lines().mid(before), expected);
        QCOMPARE(r.prompter.shown.size(), 1);
    }

    void watchdogReachesLinkedClients()
    {
        PublishedReader r;
        LinkProcess client({u"advise"_s, u"zav41k"_s, u"data"_s, u"errorcode"_s});
        QVERIFY(r.linkedClientReady(client, u"errorcode\t0"_s));
        // The reader's real three seconds, counted from the last record: never early.
        QElapsedTimer silence;
        r.comm.receive("0400 100\r\n");
        silence.start();
        const qsizetype before = client.lines().size();
        QTRY_VERIFY_WITH_TIMEOUT(client.lines().contains(u"errorcode\tCheck RS-232 Connection"_s),
                                 5000);
        QVERIFY2(silence.elapsed() >= Watchdog::kIntervalMs,
                 qPrintable(QString::number(silence.elapsed())));
        QCOMPARE(client.lines().mid(before).last(), u"errorcode\tCheck RS-232 Connection"_s);
        r.comm.receive("0500 100\r\n");
        QTRY_COMPARE(client.lines().mid(client.lines().size() - 2),
                     (QStringList{"errorcode\tCheck RS-232 Connection", "errorcode\t0"}));
    }

    void getAndGetAll()
    {
        PublishedReader r;
        r.comm.receive("0123 010\r\n");
        const QDBusMessage one =
            callSource(kProperties, u"Get"_s, {u"zav41k.Source"_s, u"errorcode"_s});
        QCOMPARE(one.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(one.arguments().first().value<QDBusVariant>().variant().toString(),
                 u"Under Range -- Check Zero"_s);

        const QDBusMessage all = callSource(kProperties, u"GetAll"_s, {u"zav41k.Source"_s});
        QCOMPARE(all.type(), QDBusMessage::ReplyMessage);
        const QVariantMap values = qdbus_cast<QVariantMap>(all.arguments().first());
        QCOMPARE(values.value(u"absorbance"_s).toString(), u"LO"_s);
        QCOMPARE(values.value(u"wavelength"_s).toString(), u"510"_s);
        QCOMPARE(values.value(u"Label1"_s).toString(), u"nm"_s);
        QCOMPARE(values.size(), 4);
        // Without an interface: the items alone, as before there were readings.
        const QDBusMessage unnamed = callSource(kProperties, u"GetAll"_s, {QString()});
        QCOMPARE(qdbus_cast<QVariantMap>(unnamed.arguments().value(0)).keys(), values.keys());

        const QDBusMessage unknown =
            callSource(kProperties, u"Get"_s, {u"zav41k.Source"_s, u"colour"_s});
        QCOMPARE(unknown.errorName(), u"org.freedesktop.DBus.Error.UnknownProperty"_s);
    }

    void writesAndOtherMethodsAreRefused_data()
    {
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("error");
        const QString huge(4 << 20, u'x');
        QTest::newRow("an unknown item with a huge name")
            << kProperties << "Get" << QVariantList{"zav41k.Source", huge}
            << "org.freedesktop.DBus.Error.UnknownProperty";
        QTest::newRow("an unknown interface with a huge name")
            << kProperties << "GetAll" << QVariantList{huge}
            << "org.freedesktop.DBus.Error.UnknownInterface";
        QTest::newRow("write an item")
            << kProperties << "Set"
            << QVariantList{"zav41k.Source", "absorbance",
                            QVariant::fromValue(QDBusVariant(u"9.999"_s))}
            << "org.freedesktop.DBus.Error.PropertyReadOnly";
        QTest::newRow("a method of its own")
            << "zav41k.Source"
            << "Reset" << QVariantList{} << "org.freedesktop.DBus.Error.UnknownMethod";
        QTest::newRow("Get with wrong arguments") << kProperties << "Get" << QVariantList{42}
                                                  << "org.freedesktop.DBus.Error.UnknownMethod";
        QTest::newRow("another interface")
            << "org.example.Other"
            << "Poke" << QVariantList{"x"} << "org.freedesktop.DBus.Error.UnknownMethod";
        QTest::newRow("write a reading's field")
            << kProperties << "Set"
            << QVariantList{"zav41k.Reading1", "Status", QVariant::fromValue(QDBusVariant(u"ok"_s))}
            << "org.freedesktop.DBus.Error.PropertyReadOnly";
        QTest::newRow("a reading's field in another case")
            << kProperties << "Get" << QVariantList{"zav41k.Reading1", "status"}
            << "org.freedesktop.DBus.Error.UnknownProperty";
        QTest::newRow("a method of the readings")
            << "zav41k.Reading1"
            << "Reset" << QVariantList{} << "org.freedesktop.DBus.Error.UnknownMethod";
    }

    void writesAndOtherMethodsAreRefused()
    {
        QFETCH(QString, interface);
        QFETCH(QString, member);
        QFETCH(QVariantList, arguments);
        QFETCH(QString, error);
        PublishedReader r;
        r.comm.receive("1234 000\r\n");
        r.log.clear();
        const QDBusMessage reply = callSource(interface, member, arguments);
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), error);
        // The reply quotes what was sent, but never much of it.
        QVERIFY2(reply.errorMessage().size() < 200, qPrintable(reply.errorMessage().left(300)));
        QVERIFY(r.log.entries.isEmpty());
        QCOMPARE(r.indicators.text(IndicatorModel::Item::Absorbance), u"1.234"_s);
    }

    void requestAndNotify()
    {
        PublishedReader r;
        r.comm.receive("0500 100\r\n");
        LinkProcess request({u"request"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s});
        // The source answers from this thread: wait with the event loop running.
        QTRY_VERIFY_WITH_TIMEOUT(request.process().state() == QProcess::NotRunning, 8000);
        QCOMPARE(request.lines(), QStringList{u"0.500"_s});
        QCOMPARE(request.process().exitCode(), 0);

        LinkProcess notify({u"notify"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s});
        QVERIFY(r.linkedClientReady(notify, u"absorbance"_s));
        QVERIFY(notify.lines().contains(u"absorbance"_s));
        QVERIFY(!notify.lines().join(u' ').contains(u"0.001"_s));
    }

    void secondSourceQueuesAndTakesOver()
    {
        QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        QDBusConnection second =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"second"_s);
        IndicatorModel two;
        ReadingModel twoReadings;
        LinkSource secondSource(two, twoReadings);
        {
            QDBusConnection first =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"first"_s);
            IndicatorModel one;
            ReadingModel oneReadings;
            LinkSource firstSource(one, oneReadings);
            QVERIFY(firstSource.publish(first));
            QVERIFY(secondSource.publish(second));
            QCOMPARE(bus->serviceOwner(kService).value(), first.baseService());
            QTest::qWait(200);
            QCOMPARE(bus->serviceOwner(kService).value(), first.baseService()); // never stolen
        }
        // The first source's program ends: its connection goes, and the waiting source takes over.
        QDBusConnection::disconnectFromBus(u"first"_s);
        QTRY_COMPARE(bus->serviceOwner(kService).value(), second.baseService());
    }
};

QTEST_GUILESS_MAIN(TestPublication)
#include "tst_publication.moc"
