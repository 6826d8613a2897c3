#include "dosimetry/sessiondesk.h"
#include "dosimetryui/sessionwindow.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"

#include "support/filesizelimit.h"
#include "support/readerstation.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

class TestSessionWindow : public QObject {
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
        SessionWindow window(desk, [&](const QString &question) {
            asked << question;
            return false;
        });
        QVERIFY(desk.follow());
        window.show();
        auto *idField = window.findChild<QLineEdit *>();
        auto *table = window.findChild<QTableWidget *>();
        // ID, A, readings behind it, flags; a row a dosimeter.
        const auto rows = [&] {
            QStringList all;
            for (int r = 0; r < table->rowCount(); ++r)
                all << QStringList{table->item(r, 0)->text(), table->item(r, 1)->text(),
                                   table->item(r, 2)->text(), table->item(r, 7)->text()}
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

        QVERIFY(station.program.terminate());
        QTRY_COMPARE(hold->text(), "ZAV41K is not running");
    }
};

QTEST_MAIN(TestSessionWindow)
#include "tst_sessionwindow.moc"
