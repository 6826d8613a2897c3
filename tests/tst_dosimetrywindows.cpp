#include "dosimetry/calibrationdesk.h"
#include "dosimetry/sessiondesk.h"
#include "dosimetryui/calibrationwindow.h"
#include "dosimetryui/checkchart.h"
#include "dosimetryui/checkswindow.h"
#include "dosimetryui/sessionwindow.h"
#include "record/checkbook.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"
#include "record/loginname.h"
#include "record/signaturebook.h"

#include "support/calibrationpoints.h"
#include "support/filesizelimit.h"
#include "support/readerstation.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDosimetryWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus (run under dbus-run-session)");
    }

    // A session of two readings per dosimeter, worked in the window against the real program.
    void aSessionWorkedInTheWindow()
    {
        ReaderStation station;
        QVERIFY(station.start());
        const QString id = station.session(2);
        QVERIFY(!id.isEmpty());
        DosimetryRecord record(station.database);
        QVERIFY(record.open());
        LabBook book(record);
        SessionDesk desk(book, book.session(id.toLongLong()).value(),
                         QDBusConnection::sessionBus());
        desk.setRetryInterval(100);
        QStringList asked;
        const QString pdf = station.dir.filePath(u"report.pdf"_s);
        SessionWindow window(
            desk,
            [&](const QString &question) {
                asked << question;
                return question.startsWith("End"_L1);
            },
            [&] { return pdf; });
        QVERIFY(desk.follow());
        window.show();
        auto *idField = window.findChild<QLineEdit *>();
        auto *table = window.findChild<QTableWidget *>();
        // ID, A, readings behind it, flags; a row a dosimeter.
        const auto rows = [&] {
            QStringList all;
            for (int r = 0; r < table->rowCount(); ++r)
                all << QStringList{table->item(r, 0)->text(), table->item(r, 1)->text(),
                                   table->item(r, 2)->text(), table->item(r, 9)->text()}
                           .join(u' ');
            return all.join(u'|');
        };
        const auto typeId = [&](const QString &typed) {
            idField->clear();
            QTest::keyClicks(idField, typed);
            QTest::keyClick(idField, Qt::Key_Return);
        };

        station.film(u"0500 0500 0500 0500"_s);
        station.film(u"0504 0504 0504 0504"_s);
        QTRY_COMPARE(idField->text(), "D-0002");
        typeId(u"LOT7-0100"_s); // as a barcode scanner types it
        station.film(u"0700 0700 0700 0700"_s);
        station.film(u"0720 0720 0720 0720"_s);
        QTRY_COMPARE(idField->text(), "LOT7-0101");
        typeId(u"D-0001"_s);
        QCOMPARE(asked, {"D-0001 already has readings in this session. Read it again?"});
        QCOMPARE(idField->text(), "LOT7-0101");
        auto *hold = window.findChild<QLabel *>(u"hold"_s);
        QTRY_COMPARE(hold->text(), "No film in the holder (below 0.020)");
        // Space says why nothing is taken: what the window shows for the reading it has.
        QTest::keyClick(&window, Qt::Key_Space);
        QCOMPARE(window.statusBar()->currentMessage(), hold->text());

        {
            // A record that cannot grow: the capture stays in the window, and goes into the
            // record once it can.
            const FileSizeLimit full(512);
            station.film(u"0600 0600 0600 0600"_s);
            QTRY_VERIFY(rows().endsWith("readings missing, not yet in the record"_L1));
            QVERIFY(window.statusBar()->currentMessage().startsWith("Nothing was written"_L1));
        }
        QTRY_COMPARE(rows(), "D-0001 0.5020 8 |LOT7-0100 0.7100 8 replicates disagree|"
                             "LOT7-0101 0.6000 4 readings missing");
        QCOMPARE(record.verify().value().entries, 9);

        // Ended and signed from the window, then reported.
        window.findChild<QPushButton *>(u"end"_s)->click();
        QCOMPARE(asked.last(), u"End session %1 and sign it \"performed\" as %2? It takes no more "
                               "captures."_s.arg(id, loginName()));
        QCOMPARE(SignatureBook(record).ofSession(id.toLongLong()).value().first().user,
                 loginName());
        QVERIFY(!idField->isEnabled());
        window.findChild<QPushButton *>(u"report"_s)->click();
        QCOMPARE(window.statusBar()->currentMessage(), u"Report written to "_s + pdf);

        QVERIFY(station.program.terminate());
        QTRY_COMPARE(hold->text(), "ZAV41K is not running");
    }

    // A calibration laboratory's points: every form fitted side by side, the closest chosen,
    // doses whose scatter exceeds the lab's limit marked, and the approval frozen in the record.
    void aCalibrationApproved()
    {
        QTemporaryDir dir;
        DosimetryRecord record(dir.filePath(u"lab.sqlite"_s));
        QVERIFY(record.open());
        LabBook book(record);
        QVERIFY(book.addReader({u"R1"_s, u"41K-0107"_s}) && book.addBatch({u"B1"_s, {}, 20}));
        CalibrationPoints points{0, u"B1"_s, u"R1"_s, 510, u"lab.csv"_s, {}};
        for (const FitPoint &p : calibrationPoints())
            points.points << CalibrationPoint{u"C%1"_s.arg(points.points.size()), p.y, p.y * 0.01,
                                              p.x};
        QVERIFY(CalibrationBook(record).addPoints(points));
        CalibrationDesk desk(record);
        QStringList asked;
        const QDate expires = QDate::currentDate().addMonths(6);
        CalibrationWindow window(desk, book, [&](const QString &question) {
            asked << question;
            return std::optional<QDate>(expires);
        });
        window.show();
        const QList<QTableWidget *> tables = window.findChildren<QTableWidget *>();
        QTableWidget *forms = tables.at(0);
        QTableWidget *levels = tables.at(2);
        QCOMPARE(forms->rowCount(), 8);
        QCOMPARE(forms->item(forms->currentRow(), 0)->text(), "exponential");
        const auto marked = [&] {
            int n = 0;
            for (int r = 0; r < levels->rowCount(); ++r)
                n += levels->item(r, 2)->background().style() != Qt::NoBrush;
            return n;
        };
        QCOMPARE(levels->rowCount(), 10);
        auto *limit = window.findChild<QDoubleSpinBox *>();
        limit->setValue(50);
        QCOMPARE(marked(), 0);
        limit->setValue(0.1);
        QVERIFY(marked() > 0);

        window.findChild<QPushButton *>(u"approve"_s)->click();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().contains("exponential"_L1) && asked.first().contains(loginName()));
        const QList<Calibration> kept = CalibrationBook(record).calibrations().value();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.first().fit.form.name(), "exponential");
        QCOMPARE(kept.first().approvedBy, loginName());
        QCOMPARE(kept.first().expires, expires);
        QVERIFY(tables.at(3)->item(0, 3)->text().startsWith("approved by"_L1));
    }

    // A filter's checks charted: no limits before 20 checks; after 25 that alternate between
    // 0.500 and 0.504 (13 and 12 of them), the mean 0.50192 ± 2.66 × the moving range 0.004.
    void checksCharted()
    {
        QTemporaryDir dir;
        DosimetryRecord record(dir.filePath(u"lab.sqlite"_s));
        QVERIFY(record.open());
        CheckBook checks(record);
        QVERIFY(
            checks.addStandard({u"F-510"_s, 510, 0.500, 0.010, QDate::currentDate().addYears(1)}));
        const auto read = [&](int count) {
            for (int i = 0; i < count; ++i) {
                const double a = checks.checks().value().size() % 2 ? 0.504 : 0.500;
                QVERIFY(checks.addCheck(u"F-510"_s, u"R1"_s,
                                        Capture{a, 0.001, 4, 1, 4, 1'800'000'000'000'000, 510}));
            }
        };
        read(19);
        {
            ChecksWindow window(checks);
            QVERIFY(!window.findChild<CheckChart *>()->limits());
        }
        read(6);
        ChecksWindow window(checks);
        const auto *chart = window.findChild<CheckChart *>();
        QList<double> drawn;
        for (QAbstractSeries *series : chart->chart()->series()) {
            if (series->name().startsWith("limits"_L1))
                drawn << static_cast<QLineSeries *>(series)->at(0).y();
        }
        std::sort(drawn.begin(), drawn.end());
        QCOMPARE(drawn.size(), 2);
        QVERIFY(std::fabs(drawn[0] - 0.49128) < 1e-9 && std::fabs(drawn[1] - 0.51256) < 1e-9);
        QVERIFY(std::fabs(chart->limits()->mean - 0.50192) < 1e-9);
    }
};

QTEST_MAIN(TestDosimetryWindows)
#include "tst_dosimetrywindows.moc"
