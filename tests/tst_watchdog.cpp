#include "support/fakecommcontrol.h"
#include "support/readerharness.h"

#include <QElapsedTimer>
#include <QTest>

class TestWatchdog : public QObject {
    Q_OBJECT

private slots:
    void reportsMissingDataAfterThreeSeconds();
};

// One run of the real three-second timer, through its whole life.
void TestWatchdog::reportsMissingDataAfterThreeSeconds()
{
    QElapsedTimer sinceCreation;
    sinceCreation.start();
    ReaderHarness<FakeCommControl> window;
    auto &[comm, indicators, prompter, link, log] = window;
    const QString message = QStringLiteral("Check RS-232 Connection");

    // A piece too short to be a record does not restart the interval.
    QTest::qWait(1500);
    comm.receive("1234 00\r\n");
    QCOMPARE(indicators.progress(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(indicators.text(IndicatorModel::Item::Errorcode), message, 3000);
    const qint64 firedAfter = sinceCreation.elapsed();
    QVERIFY2(firedAfter >= 2900 && firedAfter < 4200, qPrintable(QString::number(firedAfter)));
    QVERIFY(indicators.errorcodeVisible());
    QVERIFY(!link.watchdog().isRunning());
    QCOMPARE(log.entries, (QStringList{QStringLiteral("errorcode=") + message,
                                       QStringLiteral("errorcode.visible=1")}));

    // It does not fire again while no data comes.
    QTest::qWait(3300);
    QCOMPARE(log.entries.size(), 2);

    // The next good record clears it and starts the interval again.
    comm.receive("1234 000\r\n");
    QCOMPARE(indicators.text(IndicatorModel::Item::Errorcode), QStringLiteral("0"));
    QVERIFY(!indicators.errorcodeVisible());
    QVERIFY(link.watchdog().isRunning());
}

QTEST_GUILESS_MAIN(TestWatchdog)
#include "tst_watchdog.moc"
