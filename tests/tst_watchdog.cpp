#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "link/watchdog.h"
#include "resources/language.h"
#include "support/fakecommcontrol.h"
#include "support/readerharness.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kInterval = 300;

} // namespace

// The watchdog's logic on an interval of its own, short enough for a unit test; the reader's
// real three seconds are checked through the program in tst_publication.
class TestWatchdog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    void silenceIsSaidOnceAfterAWholeInterval()
    {
        IndicatorModel indicators;
        ReadingModel readings;
        QList<Reading> made;
        QObject::connect(&readings, &ReadingModel::readingMade,
                         [&made](const Reading &reading) { made.append(reading); });
        QElapsedTimer since;
        since.start();
        Watchdog watchdog(indicators, readings, kInterval);
        qint64 firedAfter = -1;
        QObject::connect(&indicators, &IndicatorModel::textAssigned,
                         [&](IndicatorModel::Item item, const QString &) {
                             if (item == IndicatorModel::Item::Errorcode && firedAfter < 0)
                                 firedAfter = since.elapsed();
                         });
        QTRY_VERIFY(firedAfter >= 0);
        // Never early; late by what a loaded machine adds.
        QVERIFY2(firedAfter >= kInterval, qPrintable(QString::number(firedAfter)));
        QCOMPARE(indicators.text(IndicatorModel::Item::Errorcode), u"Check RS-232 Connection"_s);
        QVERIFY(indicators.errorcodeVisible());
        QVERIFY(!watchdog.isRunning());
        QCOMPARE(made.size(), 1);
        QCOMPARE(made.first().status, Reading::Status::NoData);

        // Started again, and again before the end of that interval: the message waits a whole
        // interval from the last start.
        firedAfter = -1;
        watchdog.start();
        QTest::qWait(kInterval * 2 / 3);
        QCOMPARE(firedAfter, -1);
        since.restart();
        watchdog.start();
        QTRY_VERIFY(firedAfter >= 0);
        QVERIFY2(firedAfter >= kInterval, qPrintable(QString::number(firedAfter)));
        QCOMPARE(made.size(), 2);
        // Once a silence: nothing more until it is started again, and nothing once stopped.
        watchdog.start();
        watchdog.stop();
        QVERIFY(!QTest::qWaitFor([&] { return made.size() > 2; }, 2 * kInterval));
    }

    // Through the decoder: a piece too short to be a record is no record, and does not restart
    // the interval; a record does, and clears the message.
    void onlyARecordRestartsTheInterval()
    {
        ReaderHarness<FakeCommControl> window;
        Watchdog &watchdog = window.reader.watchdog();
        watchdog.Timer1_Timer();
        QVERIFY(!watchdog.isRunning());
        window.comm.receive("1234 00\r\n");
        QVERIFY(!watchdog.isRunning());
        QVERIFY(window.indicators.errorcodeVisible());
        window.comm.receive("1234 000\r\n");
        QVERIFY(watchdog.isRunning());
        QVERIFY(!window.indicators.errorcodeVisible());
        QCOMPARE(window.indicators.text(IndicatorModel::Item::Errorcode), u"0"_s);
    }
};

QTEST_GUILESS_MAIN(TestWatchdog)
#include "tst_watchdog.moc"
