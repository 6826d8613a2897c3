#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "link/readerlink.h"
#include "link/watchdog.h"
#include "publish/linksource.h"
#include "resources/language.h"
#include "support/assignmentlog.h"
#include "support/fakecommcontrol.h"
#include "support/linkprocess.h"
#include "support/scriptedprompter.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Language)

namespace {

const QString kService = u"zav41k.Source"_s;
const QString kPath = u"/data"_s;
const QString kProperties = u"org.freedesktop.DBus.Properties"_s;
const QString kReadings = u"zav41k.Reading1"_s;

// What another program on the bus receives from the source: item updates and readings, in the
// order they come.
class Observer : public QObject {
    Q_OBJECT

public:
    explicit Observer(QDBusConnection connection)
    {
        connection.connect(kService, kPath, kProperties, u"PropertiesChanged"_s, this,
                           SLOT(take(QDBusMessage)));
        connection.connect(kService, kPath, kReadings, u"Reading"_s, this,
                           SLOT(take(QDBusMessage)));
    }

    QList<QDBusMessage> messages;

    QList<QDBusMessage> readings() const
    {
        QList<QDBusMessage> found;
        std::copy_if(messages.cbegin(), messages.cend(), std::back_inserter(found),
                     [](const QDBusMessage &m) { return m.member() == "Reading"_L1; });
        return found;
    }
    // The last text the item was given.
    QString item(const QString &name) const
    {
        for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
            const QVariantMap changed = qdbus_cast<QVariantMap>(it->arguments().value(1));
            if (it->member() != "Reading"_L1 && changed.contains(name))
                return changed.value(name).toString();
        }
        return {};
    }

private slots:
    void take(const QDBusMessage &message) { messages.append(message); }
};

// The reader link and its publication, as the window wires them, in a given language and
// locale.
struct Source {
    explicit Source(Language language = Language::English, const QLocale &locale = QLocale::c())
        : reader(comm, indicators, readings, prompter, locale)
        , source(indicators, readings)
    {
        setCurrentLanguage(language);
        published = source.publish(QDBusConnection::sessionBus());
    }
    ~Source() { QDBusConnection::sessionBus().unregisterService(kService); }

    FakeCommControl comm;
    IndicatorModel indicators;
    ReadingModel readings;
    ScriptedPrompter prompter;
    ReaderLink reader;
    LinkSource source;
    AssignmentLog log{indicators};
    bool published = false;

    // Sends a marker record until a linked client has seen it, so that nothing later is
    // missed while the client subscribes.
    bool linkedClientReady(LinkProcess &client, const QString &line)
    {
        return client.sendUntilSeen([this] { comm.receive("0001 000\r\n"); }, line);
    }
};

// Calls over a connection of its own, as another program would; the source answers from this
// same thread, so the event loop runs meanwhile.
QDBusMessage callSource(const QString &interface, const QString &member,
                        const QVariantList &arguments)
{
    static QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client"_s);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, member);
    call.setArguments(arguments);
    return client.call(call, QDBus::BlockWithGui, 5000);
}

} // namespace

class TestPublication : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "a session bus for the test");
    }

    // Rows: a record decoded before (for the previous count), the record, and its reading as
    // "status absorbance 'shown' wavelength", "-" for no absorbance, then "marker" or "damaged".
    void typedFieldsMatchTheItems_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("locale");
        // Each record in three settings of the source: the typed values never change with them.
        const auto row = [](const char *name, const char *before, const char *record,
                            const char *reading) {
            for (const auto &[setting, language, locale] :
                 {std::tuple{"en", Language::English, "C"},
                  std::tuple{"fr", Language::French, "fr_FR"},
                  std::tuple{"en, comma locale", Language::English, "de_DE"}})
                QTest::addRow("%s (%s)", name, setting)
                    << QString::fromLatin1(before) << QString::fromLatin1(record)
                    << QString::fromLatin1(reading) << language << QString::fromLatin1(locale);
        };
        // clang-format off
        row("good, three decimals", "", "1234 000", "ok 1.234 '1.234' 510");
        row("two decimals from 2.000", "", "2005 100", "ok 2.005 '2.01' 600");
        row("negative", "", "-012 000", "ok -0.012 '-0.012' 510");
        row("the 9999 marker", "", "9999 100", "ok - '9999' 600 marker");
        row("under range", "", "0123 010", "under-range - 'LO' 510");
        row("over range", "", "0123 101", "over-range - 'HI' 600");
        row("range wins over 9999", "", "9999 001", "over-range - 'HI' 510");
        row("flag not a number reads as set", "", "1234 0x0", "under-range - 'LO' 510 damaged");
        row("failed count: the window keeps the previous", "0777 000", "abcd 100", "ok - '0.777' 600 damaged");
        row("failed selector gives 510", "", "1234 x00", "ok - '1.234' 510 damaged");
        // clang-format on
    }

    // Each record gives one reading, after its item updates; its typed values are what the items
    // show, whatever the language and locale of the source.
    void typedFieldsMatchTheItems()
    {
        QFETCH(QString, before);
        QFETCH(QString, record);
        QFETCH(QString, reading);
        QFETCH(Language, language);
        QFETCH(QString, locale);
        Source source(language, QLocale(locale));
        QVERIFY(source.published);
        QDBusConnection connection =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"observer"_s);
        Observer observer(connection);
        // A call answered after the observer's matches were sent: the bus has taken them.
        QVERIFY(connection.interface()->isServiceRegistered(kService));

        const qint64 start = ReadingModel::systemTime();
        int expected = 1;
        if (!before.isEmpty()) {
            source.comm.receive(before.toLatin1() + "\r\n");
            ++expected;
        }
        QTRY_COMPARE(observer.readings().size(), expected - 1);
        const int firstOfRecord = int(observer.messages.size());
        source.comm.receive(record.toLatin1() + "\r\n");
        QTRY_COMPARE(observer.readings().size(), expected);
        // Every update of this record has come, and the reading is the last of them.
        QTRY_VERIFY(observer.messages.size() > firstOfRecord);
        QCOMPARE(observer.messages.last().member(), u"Reading"_s);
        QCOMPARE(int(observer.messages.size()) - firstOfRecord, 4); // three items, then the reading

        const QDBusMessage signal = observer.readings().last();
        QCOMPARE(signal.signature(), u"txdsbusbs"_s);
        const QVariantList a = signal.arguments();
        QCOMPARE(a.at(0).toULongLong(), quint64(expected));
        QVERIFY(a.at(1).toLongLong() >= start &&
                a.at(1).toLongLong() <= ReadingModel::systemTime());
        const double absorbance = a.at(2).toDouble();
        const QString shown = a.at(3).toString(), status = a.at(6).toString();
        const bool marker = a.at(4).toBool(), damaged = a.at(7).toBool();
        const uint wavelength = a.at(5).toUInt();
        QCOMPARE(
            u"%1 %2 '%3' %4%5%6"_s
                .arg(status, std::isnan(absorbance) ? u"-"_s : QString::number(absorbance), shown)
                .arg(wavelength)
                .arg(marker ? u" marker"_s : QString(), damaged ? u" damaged"_s : QString()),
            reading);
        QCOMPARE(a.at(8).toString(), record);

        // The same record as the items give it, in the source's own language and locale.
        const QLocale sourceLocale(locale);
        const QString itemAbsorbance = observer.item(u"absorbance"_s);
        QCOMPARE(QString(itemAbsorbance).replace(sourceLocale.decimalPoint(), u"."_s), shown);
        QCOMPARE(observer.item(u"wavelength"_s), QString::number(wavelength));
        if (status == "ok"_L1) {
            QCOMPARE(observer.item(u"errorcode"_s), u"0"_s);
            if (!marker && !damaged) {
                // The item is the number rounded to what it shows: two decimals from 2.000.
                bool isNumber = false;
                const double itemValue = sourceLocale.toDouble(itemAbsorbance, &isNumber);
                QVERIFY2(isNumber, qPrintable(itemAbsorbance));
                QVERIFY2(std::abs(itemValue - absorbance) <=
                             (absorbance >= 2 ? 0.005 : 0.0005) + 1e-9,
                         qPrintable(itemAbsorbance));
            }
        } else {
            QVERIFY(observer.item(u"errorcode"_s) != "0"_L1);
        }

        // The properties hold the same reading, typed as the signal is.
        const QDBusMessage all = callSource(kProperties, u"GetAll"_s, {kReadings});
        QCOMPARE(all.type(), QDBusMessage::ReplyMessage);
        const QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().value(0));
        QCOMPARE(properties.value(u"Sequence"_s).toULongLong(), quint64(expected));
        QCOMPARE(properties.value(u"Status"_s).toString(), status);
        QCOMPARE(properties.value(u"Record"_s).toString(), record);
        QString types;
        for (const char *name : {"Sequence", "Time", "Absorbance", "Shown", "Marker", "Wavelength",
                                 "Status", "Damaged", "Record"})
            types += QLatin1String(
                QDBusMetaType::typeToSignature(properties.value(QLatin1String(name)).metaType()));
        QCOMPARE(types, signal.signature());
        QCOMPARE(properties.value(u"Wavelength"_s).toUInt(), wavelength);
        QDBusConnection::disconnectFromBus(u"observer"_s);
    }

    // A record whose field does not convert is published before its box is shown, so that a box
    // left open does not hold the reading back from linked programs.
    void readingComesBeforeTheFailureBox()
    {
        Source source(Language::English, QLocale::c());
        quint64 sequenceWhileOpen = 0;
        source.prompter.whileOpen = [&] { sequenceWhileOpen = source.readings.current().sequence; };
        source.comm.receive("abcd 000\r\n");
        QCOMPARE(source.prompter.shown.size(), 1);
        QCOMPARE(sequenceWhileOpen, quint64(1));
        QVERIFY(source.readings.current().damaged);
    }

    void linkedClientReceivesEveryAssignmentInOrder()
    {
        Source r;
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
        Source r;
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
        Source r;
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
        Source r;
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

    void notifyNamesTheItemAlone()
    {
        Source r;
        r.comm.receive("0500 100\r\n");
        LinkProcess notify({u"notify"_s, u"zav41k"_s, u"data"_s, u"absorbance"_s});
        QVERIFY(r.linkedClientReady(notify, u"absorbance"_s));
        QVERIFY(notify.lines().contains(u"absorbance"_s));
        QVERIFY(!notify.lines().join(u' ').contains(u"0.001"_s));
    }
};

QTEST_GUILESS_MAIN(TestPublication)
#include "tst_publication.moc"
