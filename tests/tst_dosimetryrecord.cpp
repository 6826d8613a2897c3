#include "record/calibrationbook.h"
#include "record/checkbook.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"
#include "record/labtexts.h"
#include "record/loginname.h"
#include "record/recordtexts.h"
#include "record/signaturebook.h"

#include "support/filesizelimit.h"
#include "support/labrecord.h"
#include "support/postgresqlserver.h"
#include "support/unprivileged.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// With ZAV41K_TEST_RECORD=postgresql every record of the run is a database on a PostgreSQL
// server of the test's own; otherwise an SQLite file.
std::unique_ptr<PostgresqlServer> server;

bool onServer()
{
    return qEnvironmentVariable("ZAV41K_TEST_RECORD") == "postgresql"_L1;
}

QString newRecord(const QTemporaryDir &dir)
{
    return server ? server->newDatabase() : dir.filePath(u"lab.sqlite"_s);
}

// Runs SQL on the record with sqlite3 or psql, as someone editing the record outside the
// program would; the triggers that keep the program itself from editing are dropped first.
bool outside(const QString &file, const QString &sql)
{
    if (server)
        return server->run(file, u"DROP TRIGGER IF EXISTS entries_never_updated ON entries; "
                                 "DROP TRIGGER IF EXISTS entries_never_deleted ON entries; "_s +
                                     sql);
    QProcess sqlite;
    sqlite.start(u"sqlite3"_s, {file, u"DROP TRIGGER IF EXISTS entries_never_updated; "
                                      "DROP TRIGGER IF EXISTS entries_never_deleted; "_s +
                                          sql});
    return sqlite.waitForFinished(10000) && sqlite.exitCode() == 0;
}

// What verify says.
QString verdict(DosimetryRecord &record)
{
    const Outcome<RecordCheck> check = record.verify();
    return check ? check.value().text : check.failure().description;
}

// A record of the run's kind with a reader, a batch with its background at 510 nm, and a
// session begun.
struct Lab : LabRecord {
    explicit Lab(int replicates = 1)
        : LabRecord(replicates, WithoutDoses, newRecord)
    {
    }
};

} // namespace

Q_DECLARE_METATYPE(std::function<bool(const QString &)>)

class TestDosimetryRecord : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!onServer())
            return;
        server = std::make_unique<PostgresqlServer>();
        QVERIFY2(server->failure().isEmpty(), qPrintable(server->failure()));
    }

    void cleanupTestCase() { server.reset(); }

    // Five entries made by the program (a reader, a batch, a background, a session, a
    // capture), then one edit from outside.
    void changesFromOutsideAreNamed_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("found");
        QTest::newRow("untouched") << "" << RecordTexts::whole(5);
        QTest::newRow("a value changed")
            << "UPDATE entries SET content = replace(content, '0.5', '0.6') WHERE id = 5;"
            << RecordTexts::changed(5);
        QTest::newRow("a user changed")
            << "UPDATE entries SET \"user\" = 'x' WHERE id = 2;" << RecordTexts::changed(2);
        QTest::newRow("an entry removed")
            << "DELETE FROM entries WHERE id = 3;" << RecordTexts::missing(3);
        QTest::newRow("the last entry removed")
            << "DELETE FROM entries WHERE id = 5;" << RecordTexts::removedAtEnd(4);
        QTest::newRow("the head moved back with it")
            << "DELETE FROM entries WHERE id = 5; UPDATE meta SET value = '4 x' WHERE key = "
               "'head';"
            << RecordTexts::removedAtEnd(4);
        QTest::newRow("one inserted at the end")
            << "INSERT INTO entries SELECT 6, kind, subject, time, \"user\", replaces, reason, "
               "content, hash, hash FROM entries WHERE id = 5;"
            << RecordTexts::added(6);
        QTest::newRow("two swapped")
            << "UPDATE entries SET id = 100 WHERE id = 4; UPDATE entries SET id = 4 WHERE id = 5; "
               "UPDATE entries SET id = 5 WHERE id = 100;"
            << RecordTexts::changed(4);
        QTest::newRow("one renumbered into a gap")
            << "DELETE FROM entries WHERE id = 2; UPDATE entries SET id = 2 WHERE id = 3;"
            << RecordTexts::changed(2);
    }

    void changesFromOutsideAreNamed()
    {
        QFETCH(QString, sql);
        QFETCH(QString, found);
        Lab lab;
        QVERIFY(lab.book.addCapture(lab.session, u"D-0001"_s, film(0.5, 20), 20.0));
        QVERIFY(outside(lab.path, sql));
        QCOMPARE(verdict(lab.record), found);
    }

    // A file made some other way, then opened and checked: what is said of it.
    void filesThatAreNoRecordAreRefused_data()
    {
        using Make = std::function<bool(const QString &path)>;
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("fileOnly");
        QTest::addColumn<bool>("forACheck"); // opened only if there is a record
        const auto written = [](const QByteArray &bytes, qint64 at = 0) {
            return [=](const QString &path) {
                QFile file(path);
                return file.open(QIODevice::ReadWrite) && file.seek(at) &&
                       file.write(bytes) == bytes.size();
            };
        };
        const auto record = [](const Make &then) {
            return [=](const QString &path) { return DosimetryRecord(path).open() && then(path); };
        };
        const auto sql = [](const QString &statement) {
            return [=](const QString &path) { return outside(path, statement); };
        };
        QTest::newRow("text") << Make(written("readings\n0.5\n")) << "it is no SQLite database"
                              << true << false;
        QTest::newRow("another database")
            << Make(sql(u"CREATE TABLE t (a TEXT);"_s))
            << "is a database, but not a dosimetry record" << false << false;
        QTest::newRow("a newer record")
            << Make(record(sql(u"UPDATE meta SET value = '2' WHERE key = 'version';"_s)))
            << "newer version of ZAV41K Dosimetry (record version 2; this one reads up to 1)"
            << false << false;
        QTest::newRow("a damaged record")
            << Make(record(written(QByteArray(2000, '\xff'), 100)))
            << "is damaged (database disk image is malformed)" << true << false;
        QTest::newRow("an empty file")
            << Make(written({})) << RecordTexts::whole(0) << true << false;
        // A check of a mistyped path, or of a record removed whole, must not find it whole.
        const Make nothing = [](const QString &) { return true; };
        QTest::newRow("nothing, for a check")
            << nothing << "There is no dosimetry record" << false << true;
        QTest::newRow("an empty file, for a check")
            << Make(written({})) << "There is no dosimetry record" << true << true;
    }

    void filesThatAreNoRecordAreRefused()
    {
        QFETCH(std::function<bool(const QString &)>, make);
        QFETCH(QString, said);
        QFETCH(bool, fileOnly);
        QFETCH(bool, forACheck);
        if (server && fileOnly)
            QSKIP("a file's own failure");
        QTemporaryDir dir;
        const QString path = newRecord(dir);
        QVERIFY(make(path));
        const qint64 size = QFileInfo(path).size();
        DosimetryRecord record(path);
        const Status opened = record.open(forACheck ? DosimetryRecord::Opening::ExistingOnly
                                                    : DosimetryRecord::Opening::MakeIfMissing);
        const QString description = opened ? verdict(record) : opened.failure().description;
        QVERIFY2(description.contains(said), qPrintable(description));
        if (forACheck)
            QCOMPARE(QFileInfo(path).size(), size);
    }

    void aFullDiskLeavesTheRecordWhole()
    {
        if (server)
            QSKIP("a file's own failures");
        Lab lab;
        QString failure;
        {
            const FileSizeLimit full(QFileInfo(lab.path).size());
            for (int i = 0; i < 50 && failure.isEmpty(); ++i) {
                const auto kept =
                    lab.book.addCapture(lab.session, u"D-%1"_s.arg(i), film(0.5, 20 + 4 * i), 20.0);
                if (!kept)
                    failure = kept.failure().description;
            }
        }
        QVERIFY2(failure.startsWith("Nothing was written to the record"_L1), qPrintable(failure));
        QVERIFY(lab.book.addCapture(lab.session, u"D-after"_s, film(0.5, 900), 20.0));
        QVERIFY(lab.record.verify().value().whole);
    }

    // Two stations capture into one record at once, each through its own connection: every
    // capture is kept, and the chain stays one sequence.
    void twoStationsKeepOneChain()
    {
        Lab lab;
        constexpr int kEach = 500;
        const auto station = [&](const QString &name, QString *failure) {
            DosimetryRecord record(lab.path);
            const Status opened = record.open();
            if (!opened) {
                *failure = opened.failure().description;
                return;
            }
            LabBook book(record);
            for (int i = 0; i < kEach && failure->isEmpty(); ++i) {
                const auto kept = book.addCapture(lab.session, u"%1-%2"_s.arg(name).arg(i),
                                                  film(0.5, 4 * quint64(i)), 20.0);
                if (!kept)
                    *failure = kept.failure().description;
            }
        };
        QString failures[2];
        std::atomic<int> running{2};
        const auto ended = [&](const QString &name, QString *failure) {
            station(name, failure);
            --running;
        };
        std::thread first(ended, u"A"_s, &failures[0]);
        std::thread second(ended, u"B"_s, &failures[1]);
        // Checked meanwhile, as an auditor may: whole at every moment.
        QStringList seen;
        while (running > 0) {
            const Outcome<RecordCheck> check = lab.record.verify();
            if (!check || !check.value().whole)
                seen << (check ? check.value().text : check.failure().description);
        }
        first.join();
        second.join();
        QVERIFY2(seen.isEmpty(), qPrintable(seen.join(u'\n')));
        QVERIFY2(failures[0].isEmpty() && failures[1].isEmpty(),
                 qPrintable(failures[0] + failures[1]));
        QCOMPARE(verdict(lab.record), RecordTexts::whole(4 + 2 * kEach));
        QCOMPARE(lab.book.results(lab.session).value().size(), 2 * kEach);
    }

    // What a session's table shows, a dosimeter a line: ID, A, readings, spread, t, Δk with its
    // standard uncertainty, flags; after the corrections "FROM>TO" (an empty TO withdraws). The
    // uncertainty combines A's (replicates, or one capture's spread as rectangular), A0's
    // (0.180 and 0.184: 0.002) and t's (0.5 µm).
    void results_data()
    {
        QTest::addColumn<int>("replicates");
        QTest::addColumn<QString>("captures"); // ID:A:t, space-separated
        QTest::addColumn<QString>("corrections");
        QTest::addColumn<QString>("rows");
        QTest::newRow("one each")
            << 1 << "D-1:0.682:20 D-2:1.182:25"
            << ""
            << "D-1 0.6820 4 0.0010 20.0 25.0000±0.633 |D-2 1.1820 4 0.0010 25.0 40.0000±0.804 ";
        QTest::newRow("two replicates that agree") << 2 << "D-1:0.680:20 D-1:0.684:20"
                                                   << ""
                                                   << "D-1 0.6820 8 0.0040 20.0 25.0000±0.641 ";
        QTest::newRow("two that disagree, one missing")
            << 2 << "D-1:0.680:20 D-1:0.690:20 D-2:0.5:20"
            << ""
            << "D-1 0.6850 8 0.0100 20.0 25.1500±0.684 replicates-disagree|D-2 0.5000 4 0.0010 "
               "20.0 15.9000±0.410 incomplete";
        QTest::newRow("a wrong ID corrected, a film withdrawn")
            << 1 << "D-1:0.682:20 D-2:0.5:20 D-3:1.182:25"
            << "D-1>D-7 D-2>"
            << "D-7 0.6820 4 0.0010 20.0 25.0000±0.633 |D-3 1.1820 4 0.0010 25.0 40.0000±0.804 ";
        QTest::newRow("corrected onto a dosimeter that has readings")
            << 2 << "D-1:0.680:20 D-2:0.684:20"
            << "D-2>D-1"
            << "D-1 0.6820 8 0.0040 20.0 25.0000±0.641 ";
    }

    void results()
    {
        QFETCH(int, replicates);
        QFETCH(QString, captures);
        QFETCH(QString, corrections);
        QFETCH(QString, rows);
        Lab lab(replicates);
        quint64 sequence = 100;
        for (const QString &c : captures.split(u' ')) {
            const QStringList p = c.split(u':');
            QVERIFY(lab.book.addCapture(lab.session, p[0], film(p[1].toDouble(), sequence += 10),
                                        p[2].toDouble()));
        }
        for (const QString &c : corrections.split(u' ', Qt::SkipEmptyParts))
            QVERIFY(lab.book.correct(lab.session, c.section(u'>', 0, 0), c.section(u'>', 1),
                                     u"a reason"_s));
        const Outcome<QList<DosimeterResult>> results = lab.book.results(lab.session);
        QVERIFY(results);
        QStringList got;
        for (const DosimeterResult &r : results.value())
            got << u"%1 %2 %3 %4 %5 %6±%7 %8"_s.arg(r.dosimeter)
                       .arg(r.absorbance, 0, 'f', 4)
                       .arg(r.readings)
                       .arg(r.spread, 0, 'f', 4)
                       .arg(r.thickness, 0, 'f', 1)
                       .arg(r.specific, 0, 'f', 4)
                       .arg(r.specificUncertainty, 0, 'f', 3)
                       .arg(r.flags.join(u' '));
        QCOMPARE(got.join(u'|'), rows);
        QVERIFY(lab.record.verify().value().whole);
    }

    // A calibration serves sessions once approved, until the day it expires; a verification
    // factor is a version of its own that serves once it is approved in turn.
    void aCalibrationHoldsUntilItExpires()
    {
        Lab lab;
        CalibrationBook book(lab.record);
        CalibrationPoints p{0, u"B1"_s, u"R1"_s, 510, u"lab.csv"_s, {}};
        for (int i = 1; i <= 5; ++i)
            p.points << CalibrationPoint{u"C%1"_s.arg(i), 1000.0 * i, 10, 10.0 * i + 0.1 * (i % 2)};
        const qint64 points = book.addPoints(p).value().id;
        const qint64 first =
            book.fit(points, *CalibrationForm::parse(u"polynomial:1"_s), false).value().id;
        const QDate today = QDate::currentDate();
        const auto serving = [&](quint32 wavelength, const QDate &day) {
            const std::optional<Calibration> c =
                book.applicable(u"B1"_s, u"R1"_s, wavelength, day).value();
            return c ? c->id : 0;
        };
        QCOMPARE(serving(510, today), 0); // not approved yet
        QVERIFY(!book.approve(first, today.addDays(-1)));
        QVERIFY(book.approve(first, today));
        QVERIFY(!book.approve(first, today.addDays(9)));
        QCOMPARE(serving(510, today), first);
        QCOMPARE(serving(510, today.addDays(1)), 0);
        QCOMPARE(serving(600, today), 0);
        const Calibration second = book.addFactor(first, 1.02, u"verification run"_s).value();
        QCOMPARE(serving(510, today), first);
        QVERIFY(book.approve(second.id, today));
        QCOMPARE(serving(510, today), second.id);
        const DoseEstimate e = estimateDose(book.calibration(second.id).value().curve(), 20, 0);
        QVERIFY(std::fabs(e.dose - 1.02 * book.calibration(first).value().curve().parameters[0] -
                          1.02 * 20 * book.calibration(first).value().curve().parameters[1]) <
                1e-6);
        QVERIFY(lab.record.verify().value().whole);
    }

    // Entries edited outside the program so that they no longer read as it wrote them: an
    // approved calibration whose curve is not whole gives no dose, rather than one made of
    // whatever the edit left; a session's replicates that are not a count of at least one read
    // as one, so that capturing goes on.
    void editedEntriesReadBackSafely_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("noDose");
        const QString calibration = u"calibration"_s;
        QTest::newRow("untouched") << calibration << ""
                                   << ""
                                   << "";
        QTest::newRow("a form unknown here") << calibration << "\"polynomial:1\""
                                             << "\"polynomial:7\""
                                             << "no-calibration";
        QTest::newRow("a parameter too many") << calibration << "\"parameters\":["
                                              << "\"parameters\":[{\"name\":\"x\",\"value\":1},"
                                              << "no-calibration";
        QTest::newRow("a covariance of another size") << calibration << "\"covariance\":["
                                                      << "\"covariance\":[1,"
                                                      << "no-calibration";
        for (const char *replicates : {"0", "-2", "1e30", "2.5", "\"two\""})
            QTest::addRow("replicates %s", replicates)
                << u"session"_s << "\"replicates\":1" << u"\"replicates\":%1"_s.arg(replicates)
                << "";
    }

    void editedEntriesReadBackSafely()
    {
        QFETCH(QString, kind);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, noDose);
        LabRecord lab(1, LabRecord::Dosed, newRecord);
        QVERIFY(lab.book.addCapture(lab.session, u"D-1"_s, film(0.682, 20), 20.0));
        if (!from.isEmpty())
            QVERIFY(outside(lab.path, u"UPDATE entries SET content = replace(content, '%1', '%2') "
                                      "WHERE kind = '%3';"_s.arg(from, to, kind)));
        QCOMPARE(lab.book.session(lab.session).value().replicates, 1);
        const DosimeterResult r = lab.book.results(lab.session).value().first();
        QCOMPARE(r.noDose, noDose);
        QCOMPARE(r.dose.has_value(), noDose.isEmpty());
        QCOMPARE(lab.record.verify().value().whole, from.isEmpty());
    }

    // Whether a session may report doses, from the day's checks of its reader: readings of a
    // filter certified 0.500 ± 0.010 at 510 nm until three days from now (or "600/" another at
    // 600 nm), made now, and a session begun some hours later (or earlier).
    void dayChecks_data()
    {
        QTest::addColumn<QString>("readings");
        QTest::addColumn<int>("hoursLater");
        QTest::addColumn<int>("period");
        QTest::addColumn<QString>("blocker");
        QTest::newRow("none") << "" << 1 << 24 << "no-check";
        QTest::newRow("passed") << "0.505" << 1 << 24 << "";
        QTest::newRow("passed, too long before") << "0.505" << 25 << 24 << "no-check";
        QTest::newRow("a longer period") << "0.505" << 25 << 48 << "";
        QTest::newRow("after the session began") << "0.505" << -1 << 24 << "no-check";
        QTest::newRow("failed") << "0.511" << 1 << 24 << "check-failed";
        QTest::newRow("failed, then passed") << "0.520 0.495" << 1 << 24 << "";
        QTest::newRow("passed, then failed") << "0.495 0.480" << 1 << 24 << "check-failed";
        QTest::newRow("another wavelength") << "600/0.700" << 1 << 24 << "no-check";
        QTest::newRow("the certificate expired since")
            << "0.505" << 100 << 120 << "certificate-expired";
    }

    void dayChecks()
    {
        QFETCH(QString, readings);
        QFETCH(int, hoursLater);
        QFETCH(int, period);
        QFETCH(QString, blocker);
        Lab lab;
        CheckBook checks(lab.record);
        const QDate today = QDate::currentDate();
        QVERIFY(checks.addStandard({u"F510"_s, 510, 0.500, 0.010, today.addDays(3)}));
        QVERIFY(checks.addStandard({u"F600"_s, 600, 0.700, 0.010, today.addYears(1)}));
        for (const QString &r : readings.split(u' ', Qt::SkipEmptyParts)) {
            const bool at600 = r.startsWith("600/"_L1);
            QVERIFY(checks.addCheck(at600 ? u"F600"_s : u"F510"_s, u"R1"_s,
                                    film(r.section(u'/', -1).toDouble(), 1)));
        }
        const QDateTime started = QDateTime::currentDateTimeUtc().addSecs(hoursLater * 3600);
        QCOMPARE(checks.blocker(u"R1"_s, 510, started, period).value(), blocker);
    }

    // Ending a session is its operator's signature, "performed"; the operator cannot also
    // review it, and no one reviews a session that has not ended.
    void signatures()
    {
        Lab lab;
        SignatureBook signatures(lab.record);
        const auto said = [](const Outcome<Signature> &s) {
            return s ? s.value().meaning : s.failure().description;
        };
        QCOMPARE(said(signatures.review(lab.session)),
                 u"Session %1 has not ended: it is reviewed once it is"_s.arg(lab.session));
        QVERIFY(lab.book.endSession(lab.session));
        const QList<Signature> all = signatures.ofSession(lab.session).value();
        QCOMPARE(all.size(), 1);
        QCOMPARE(all.first().meaning, "performed");
        QCOMPARE(all.first().user, loginName());
        QCOMPARE(said(signatures.review(lab.session)),
                 u"Session %1 is yours: another reviews it"_s.arg(lab.session));
        QCOMPARE(signatures.ofSession(lab.session).value().size(), 1);
        if (::geteuid() != 0)
            QSKIP("a review by another user needs the test to run as root");
        // Another user reviews it, once.
        QFile::setPermissions(lab.dir.path(), QFileDevice::Permissions(0x7777));
        QFile::setPermissions(lab.path, QFileDevice::Permissions(0x6666));
        const std::optional<QString> reviewed = asUnprivileged([&] {
            DosimetryRecord theirs(lab.path);
            SignatureBook book(theirs);
            const Status opened = theirs.open();
            if (!opened)
                return opened.failure().description;
            const QString first = said(book.review(lab.session));
            return first + u'|' + said(book.review(lab.session));
        });
        QCOMPARE(reviewed.value_or(u"<no child>"_s),
                 u"reviewed|"_s + LabTexts::alreadySigned(lab.session, u"reviewed"_s));
        QCOMPARE(signatures.ofSession(lab.session).value().last().user, u"nobody"_s);
        QVERIFY(lab.record.verify().value().whole);
    }

    void refusals()
    {
        Lab lab;
        const auto said = [](const auto &outcome) {
            return outcome ? u"accepted"_s : outcome.failure().description;
        };
        QCOMPARE(said(lab.book.addReader({u"R1"_s, u"other"_s, 0.02})),
                 "A reader named \"R1\" is already registered");
        QCOMPARE(said(lab.book.correct(lab.session, u"D-1"_s, {}, u" "_s)),
                 "A correction says why");
        QCOMPARE(said(lab.book.correct(lab.session, u"D-5"_s, {}, u"gone"_s)),
                 u"Session %1 has no captures of D-5"_s.arg(lab.session));
        QCOMPARE(said(lab.book.addBatch({u"B2"_s, {}, 0.0})),
                 "A thickness must be more than 0 µm (not 0)");
        QCOMPARE(said(lab.book.addBatch({u"B3"_s, {}, 20.0, -1})),
                 "An uncertainty cannot be negative (not -1)");
        QCOMPARE(said(lab.book.addCapture(lab.session, u"D-1"_s, film(0.5, 1), -3)),
                 "A thickness must be more than 0 µm (not -3)");
        Session at600;
        at600.batch = u"B1"_s;
        at600.reader = u"R1"_s;
        at600.wavelength = 600;
        QCOMPARE(said(lab.book.startSession(at600)),
                 "The batch \"B1\" has no background at 600 nm: measure it first");
        QVERIFY(lab.book.endSession(lab.session));
        QCOMPARE(said(lab.book.addCapture(lab.session, u"D-1"_s, film(0.5, 1), 20)),
                 u"Session %1 has ended: it takes no more captures"_s.arg(lab.session));
        QCOMPARE(verdict(lab.record), RecordTexts::whole(5));
    }
};

QTEST_GUILESS_MAIN(TestDosimetryRecord)
#include "tst_dosimetryrecord.moc"
