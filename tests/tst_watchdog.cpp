#include "support/fakecommcontrol.h"
#include "support/readerharness.h"

#include <QElapsedTimer>
#include <QTest>

class TestWatchdog : public QObject {
    Q_OBJECT

private slots:
    void reportsMissingDataAfterThreeSeconds();
};

// One run of the real three-second timer, through its whole life. The message must never come
// before three seconds have passed; after them it may be late by what a loaded machine adds.
void TestWatchdog::reportsMissingDataAfterThreeSeconds()
{
    QElapsedTimer sinceCreation;
    sinceCreation.start();
    ReaderHarness<FakeCommControl> window;
    auto &[comm, indicators, readings, prompter, link, log] = window;
    QList<Reading> made;
    QObject::connect(&readings, &ReadingModel::readingMade,
                     [&made](const Reading &reading) { made.append(reading); });
    const QString message = QStringLiteral("Check RS-232 Connection");
    qint64 firedAfter = -1;
    QObject::connect(&indicators, &IndicatorModel::textAssigned,
                     [&](IndicatorModel::Item item, const QString &text) {
                         if (item == IndicatorModel::Item::Errorcode && text == message)
                             firedAfter = sinceCreation.elapsed();
                     });

    // A piece too short to be a record does not restart the interval.
    QTest::qWait(1500);
    comm.receive("1234 00\r\n");
    QCOMPARE(indicators.progress(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(firedAfter >= 0, 5000);
    QVERIFY2(firedAfter >= 3000 && firedAfter < 4000, qPrintable(QString::number(firedAfter)));
    QVERIFY(indicators.errorcodeVisible());
    QVERIFY(!link.watchdog().isRunning());
    QCOMPARE(log.entries, (QStringList{QStringLiteral("errorcode=") + message,
                                       QStringLiteral("errorcode.visible=1")}));
    // The piece is a dropped reading; the silence is a reading too, with nothing decoded yet.
    QCOMPARE(made.size(), 2);
    QCOMPARE(made.first().status, Reading::Status::Dropped);
    QCOMPARE(made.first().record, QStringLiteral("1234 00"));
    QCOMPARE(made.last().status, Reading::Status::NoData);
    QCOMPARE(made.last().sequence, quint64(1));
    QVERIFY(made.last().record.isEmpty());

    // It does not fire again while no data comes.
    QTest::qWait(3300);
    QCOMPARE(log.entries.size(), 2);
    QCOMPARE(made.size(), 2);

    // The next good record clears it and starts the interval again, from zero: a record just
    // before the end of an interval puts the message off by a whole interval.
    comm.receive("1234 000\r\n");
    QCOMPARE(indicators.text(IndicatorModel::Item::Errorcode), QStringLiteral("0"));
    QVERIFY(!indicators.errorcodeVisible());
    QVERIFY(link.watchdog().isRunning());
    QCOMPARE(made.size(), 3);
    QCOMPARE(made.last().status, Reading::Status::Ok);
    QCOMPARE(made.last().sequence, quint64(2));
    QTest::qWait(2500);
    sinceCreation.restart();
    firedAfter = -1;
    comm.receive("1234 000\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(firedAfter >= 0, 5000);
    QVERIFY2(firedAfter >= 3000 && firedAfter < 4000, qPrintable(QString::number(firedAfter)));

    // The silence after a record keeps that record's values and number, at a later time.
    QCOMPARE(made.size(), 5);
    const Reading &record = made.at(3);
    const Reading &silence = made.at(4);
    QCOMPARE(silence.status, Reading::Status::NoData);
    QCOMPARE(silence.sequence, record.sequence);
    QCOMPARE(silence.shown, record.shown);
    QCOMPARE(silence.record, record.record);
    QVERIFY(silence.time - record.time >= 3000 * 1000);
}

QTEST_GUILESS_MAIN(TestWatchdog)
#include "tst_watchdog.moc"
