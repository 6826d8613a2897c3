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
    auto &[comm, indicators, prompter, link, log] = window;
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

    // It does not fire again while no data comes.
    QTest::qWait(3300);
    QCOMPARE(log.entries.size(), 2);

    // The next good record clears it and starts the interval again, from zero: a record just
    // before the end of an interval puts the message off by a whole interval.
    comm.receive("1234 000\r\n");
    QCOMPARE(indicators.text(IndicatorModel::Item::Errorcode), QStringLiteral("0"));
    QVERIFY(!indicators.errorcodeVisible());
    QVERIFY(link.watchdog().isRunning());
    QTest::qWait(2500);
    sinceCreation.restart();
    firedAfter = -1;
    comm.receive("1234 000\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(firedAfter >= 0, 5000);
    QVERIFY2(firedAfter >= 3000 && firedAfter < 4000, qPrintable(QString::number(firedAfter)));
}

QTEST_GUILESS_MAIN(TestWatchdog)
#include "tst_watchdog.moc"
