#include "support/postgresqlserver.h"
#include "support/readerstation.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A capture as "dosimeter absorbance readings".
QString captured(const QString &json)
{
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    return u"%1 %2 %3"_s.arg(o.value("dosimeter"_L1).toString())
        .arg(o.value("absorbance"_L1).toDouble(), 0, 'f', 4)
        .arg(o.value("readings"_L1).toInt());
}

} // namespace

class TestDosimetry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus (run under dbus-run-session)");
    }

    // Films as a lab reads them, one capture each; a film that never settles, one at the other
    // wavelength and one below the threshold give none; ZAV41K stopping mid-film loses that film.
    void aSessionOfFilms()
    {
        ReaderStation station;
        QVERIFY(station.start());
        const QString session = station.session();
        QVERIFY(!session.isEmpty());
        const auto capture = station.follow(
            {u"capture"_s, u"--session"_s, session, u"--json"_s, u"--count"_s, u"4"_s});
        QVERIFY(capture);
        station.film(u"0400 0505 0512 0511 0512 0513"_s);                // settles
        station.film(u"0500 0504 0500 0504 0500 0504 0500"_s);           // never does
        station.film(u"0300 0300 0300/001 0300 0300 0300 0300"_s);       // over range inside
        station.film(u"0700/100 0700/100 0700/100 0700/100 0700/100"_s); // 600 nm
        station.film(u"0015 0015 0015 0015 0015"_s);                     // below the threshold
        station.film(u"2345 2346 2344 2345"_s); // shown as 2.35, taken as typed
        QVERIFY(capture->waitForLines(3));
        station.film(u"0600 0600 0600"_s, false);
        QVERIFY(station.program.terminate());
        QVERIFY(capture->hasSaid(u"ZAV41K has stopped"_s));
        QVERIFY(station.program.start() && station.restartWatch());
        station.film(u"0600"_s, false);
        station.film(u"0600 0600 0600 0600"_s);
        QCOMPARE(capture->exitCode(15000), 0);
        QStringList got;
        for (const QString &line : capture->lines())
            got << captured(line);
        QCOMPARE(got.join(u'|'), "D-0001 0.5120 4|D-0002 0.3000 4|D-0003 2.3450 4|D-0004 0.6000 4");
        QCOMPARE(
            QJsonDocument::fromJson(capture->lines().first().toUtf8()).object().keys().join(u' '),
            "absorbance delta_k dose dose_uncertainty dosimeter first_sequence last_sequence "
            "no_dose readings time wavelength");

        QVERIFY(station.cli({u"verify"_s}).startsWith("0 The record is whole: 8 entries"_L1));
        // A check of a mistyped record says so, and makes none.
        const QString mistyped = station.dir.filePath(u"lab2.sqlite"_s);
        QVERIFY(dosimetry({u"--database"_s, mistyped, u"verify"_s})
                    .contains("1 zav41k-dosimetry: There is no dosimetry record"_L1));
        QVERIFY(!QFileInfo::exists(mistyped));
        const QList<QByteArray> rows = station.exported(session).split('\n');
        QCOMPARE(rows.size(), 6); // a header, four rows, the last line end
        // Δk = (A − A0) / t: (0.512 − 0.182) / 0.020 mm.
        QVERIFY2(rows.at(1).contains(",D-0001,") && rows.at(1).contains(",0.5120,4,1,") &&
                     rows.at(1).contains(",0.1820,20.0,16.5000,"),
                 rows.at(1).constData());
    }

    // A calibration from the films of a session and the doses they were given: no dose before
    // it is approved, nor from a reader not checked that day; doses after both, and none outside
    // the range it was fitted over.
    void aCalibratedSession()
    {
        ReaderStation station;
        QVERIFY(station.start());
        const QString calibrating = station.session();
        const auto json = [](const QString &line) {
            return QJsonDocument::fromJson(line.toUtf8()).object();
        };
        auto capture = station.follow(
            {u"capture"_s, u"--session"_s, calibrating, u"--json"_s, u"--count"_s, u"4"_s});
        QVERIFY(capture);
        for (const char *film : {"0300", "0500", "0700", "0900"}) // Δk 5.9, 15.9, 25.9, 35.9
            station.film(QStringList(4, QLatin1String(film)).join(u' '));
        QCOMPARE(capture->exitCode(15000), 0);
        QCOMPARE(json(capture->lines().first()).value("no_dose"_L1).toString(), "no-check");
        QFile doses(station.dir.filePath(u"doses.csv"_s));
        QVERIFY(doses.open(QIODevice::WriteOnly));
        doses.write("dosimeter,dose_kgy,dose_uncertainty_kgy\nD-0001,6,0.12\nD-0002,16,0.3\n"
                    "D-0003,26.5,0.5\nD-0004,37,0.7\n");
        doses.close();
        const QString points =
            station
                .cli({u"calibration"_s, u"import"_s, u"--session"_s, calibrating, doses.fileName()})
                .section(u'\n', -1);
        const QString calibration = station
                                        .cli({u"calibration"_s, u"fit"_s, u"--points"_s, points,
                                              u"--form"_s, u"polynomial:1"_s})
                                        .section(u'\n', -1);
        const QString nextYear = QDate::currentDate().addYears(1).toString(Qt::ISODate);
        QVERIFY(
            station
                .cli({u"check"_s, u"add"_s, u"F1"_s, u"--wavelength"_s, u"510"_s, u"--certified"_s,
                      u"0.500"_s, u"--tolerance"_s, u"0.010"_s, u"--expires"_s, nextYear})
                .startsWith(u'0'));
        const auto check = station.follow(
            {u"check"_s, u"run"_s, u"--standard"_s, u"F1"_s, u"--reader"_s, u"R1"_s});
        QVERIFY(check);
        station.film(u"0506 0506 0506 0506"_s);
        QCOMPARE(check->exitCode(15000), 0);
        QVERIFY(station.cli({u"check"_s, u"list"_s}).contains("\tpassed\t"_L1));

        // The reader checked, the calibration not yet approved.
        const QString routine = station
                                    .cli({u"session"_s, u"start"_s, u"--batch"_s, u"B1"_s,
                                          u"--reader"_s, u"R1"_s, u"--wavelength"_s, u"510"_s})
                                    .section(u'\n', -1);
        capture = station.follow(
            {u"capture"_s, u"--session"_s, routine, u"--json"_s, u"--count"_s, u"2"_s});
        QVERIFY(capture);
        station.film(u"0600 0600 0600 0600"_s); // Δk 20.9: 21.5 kGy or so
        station.film(u"1200 1200 1200 1200"_s); // Δk 50.9: beyond the calibration
        QCOMPARE(capture->exitCode(15000), 0);
        QCOMPARE(json(capture->lines().first()).value("no_dose"_L1).toString(), "no-calibration");

        const QStringList approve{u"calibration"_s, u"approve"_s,   u"--calibration"_s,
                                  calibration,      u"--expires"_s, nextYear};
        QVERIFY(station.cli(approve).startsWith(u'0'));
        QVERIFY(station.cli(approve).endsWith("is already approved"_L1)); // once only
        // The calibration session began before the reader's check: still no dose, and why.
        QVERIFY(station.exported(calibrating).contains(",no-check\r\n"));
        const QList<QByteArray> rows = station.exported(routine).split('\n');
        QCOMPARE(rows.size(), 4);
        const QList<QByteArray> inside = rows.at(1).trimmed().split(',');
        QVERIFY2(std::fabs(inside.at(15).toDouble() - 21250) < 400 &&
                     inside.at(16).toDouble() > 100,
                 rows.at(1).constData());
        QVERIFY2(rows.at(2).endsWith(",,,outside-range\r"), rows.at(2).constData());
        // The report through the program, as a lab's script asks for it.
        const QString pdf = station.dir.filePath(u"routine.pdf"_s);
        QVERIFY(
            station.cli({u"report"_s, u"--session"_s, routine, u"--pdf"_s, pdf}).startsWith(u'0'));
        QProcess text;
        text.start(u"pdftotext"_s, {pdf, u"-"_s});
        QVERIFY(text.waitForFinished(30000));
        QVERIFY(text.readAllStandardOutput().contains(inside.at(15)));
        QVERIFY(station.cli({u"verify"_s}).startsWith(u'0'));
    }

    // Killed at any moment while films go by at the reader's full rate: every capture that was
    // printed is in the record, and the record is whole.
    void killedWhileCapturing()
    {
        ReaderStation station;
        QVERIFY(station.start());
        const QString session = station.session();
        QVERIFY(!session.isEmpty());
        const auto capture = station.follow({u"capture"_s, u"--session"_s, session});
        QVERIFY(capture);
        QStringList films;
        for (int i = 0; i < 1000; ++i)
            films << QStringList(4, u"%1 000"_s.arg(300 + i % 500, 4, 10, QChar(u'0')))
                  << ReaderStation::kEmpty;
        station.feed(films);
        QVERIFY(capture->waitForLines(40 + QRandomGenerator::global()->bounded(40), 60000));
        ::kill(pid_t(capture->process().processId()), SIGKILL);
        QVERIFY(capture->process().waitForFinished(5000));
        const QStringList printed = capture->lines();
        QVERIFY(station.cli({u"verify"_s}).startsWith("0 The record is whole"_L1));
        const QByteArray kept = station.exported(session);
        for (const QString &line : printed)
            QVERIFY2(kept.contains(u",%1,"_s.arg(line.section(u'\t', 0, 0)).toUtf8()),
                     qPrintable(line));
    }

    // Two stations register at once in one record, a file or a database on the lab's server:
    // every entry kept, one unbroken chain.
    // Dosimeters named in advance, each read as many times as the session asks: the run ends
    // after the last one's last replicate, and not before, however many replicates that is, nor
    // after, whatever count was asked for.
    void namedDosimeters_data()
    {
        QTest::addColumn<int>("replicates");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("taken");
        QTest::newRow("one each") << 1 << ""
                                  << "A B";
        QTest::newRow("a count beyond them") << 1 << "5"
                                             << "A B";
        QTest::newRow("two each") << 2 << ""
                                  << "A A B";
        QTest::newRow("more than an int holds for both") << std::numeric_limits<int>::max() << ""
                                                         << "A A A";
    }

    void namedDosimeters()
    {
        QFETCH(int, replicates);
        QFETCH(QString, count);
        QFETCH(QString, taken);
        ReaderStation station;
        QVERIFY(station.start());
        QFile ids(station.dir.filePath(u"ids.txt"_s));
        QVERIFY(ids.open(QIODevice::WriteOnly) && ids.write("A\nB\n") == 4);
        ids.close();
        QStringList arguments{u"capture"_s, u"--session"_s, station.session(replicates),
                              u"--json"_s,  u"--ids"_s,     ids.fileName()};
        if (!count.isEmpty())
            arguments << u"--count"_s << count;
        const auto capture = station.follow(arguments);
        QVERIFY(capture);
        const int films = int(taken.count(u' ')) + 1;
        for (int i = 0; i < films; ++i)
            station.film(u"0512 0512 0512 0512"_s);
        QVERIFY(capture->waitForLines(films));
        QStringList got;
        for (const QString &line : capture->lines())
            got << QJsonDocument::fromJson(line.toUtf8()).object().value("dosimeter"_L1).toString();
        QCOMPARE(got.join(u' '), taken);
        if (films == 2LL * replicates)
            QCOMPARE(capture->exitCode(15000), 0);
        else
            QCOMPARE(capture->process().state(), QProcess::Running);
    }

    void twoStationsAtOnce_data()
    {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("file") << false;
        QTest::newRow("PostgreSQL") << true;
    }

    void twoStationsAtOnce()
    {
        QFETCH(bool, onServer);
        QTemporaryDir dir;
        std::optional<PostgresqlServer> server;
        if (onServer) {
            server.emplace();
            QVERIFY2(server->failure().isEmpty(), qPrintable(server->failure()));
        }
        const QString database = server ? server->newDatabase() : dir.filePath(u"lab.sqlite"_s);
        QList<std::shared_ptr<QProcess>> stations;
        for (const char *station : {"A", "B"}) {
            auto shell = std::make_shared<QProcess>();
            shell->start(u"bash"_s, {u"-c"_s,
                                     u"for i in $(seq 15); do \"$0\" --database \"$1\" "
                                     "reader add %1$i --serial x || exit 1; done"_s.arg(
                                         QLatin1String(station)),
                                     qEnvironmentVariable("ZAV41K_DOSIMETRY"), database});
            stations << shell;
        }
        for (const auto &shell : stations) {
            QVERIFY(shell->waitForFinished(60000));
            QVERIFY2(shell->exitCode() == 0, shell->readAllStandardError().constData());
        }
        QCOMPARE(dosimetry({u"--database"_s, database, u"verify"_s}),
                 "0 The record is whole: 30 entries, each as written and in its place");
    }
};

QTEST_MAIN(TestDosimetry)
#include "tst_dosimetry.moc"
