#include "capture/dosimeterid.h"
#include "capture/stablecapture.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const char *const kHolds[] = {
    "none", "no-reading", "not-ok", "other-wavelength", "below-threshold", "settling", "unsteady"};

// Feeds a stream written as tokens and says what came of it. Tokens: "0.512" a reading at
// 510 nm, "600/0.700" at 600 nm, "LO" and "HI" out of range, "X" a dropped piece, "-" a
// silence, "+N" N readings missed, "!" a key press, "stop" the source ending. Out come the
// captures as "mean#first-last" and, for a key press that takes nothing, "hold:Why".
QString run(StableCapture &capture, const QString &stream)
{
    QStringList said;
    quint64 sequence = 0;
    const auto shown = [&](const std::optional<Capture> &c) {
        if (c)
            said << u"%1#%2-%3"_s.arg(c->absorbance, 0, 'f', 4)
                        .arg(c->firstSequence)
                        .arg(c->lastSequence);
    };
    for (const QString &token : stream.split(u' ', Qt::SkipEmptyParts)) {
        if (token == "!"_L1) {
            const std::optional<Capture> c = capture.captureNow();
            shown(c);
            if (!c)
                said << u"hold:"_s + QLatin1String(kHolds[int(capture.hold())]);
            continue;
        }
        if (token == "stop"_L1) {
            capture.interrupt();
            continue;
        }
        if (token.startsWith(u'+')) {
            sequence += token.mid(1).toULongLong();
            continue;
        }
        Reading r;
        r.wavelength = token.startsWith("600/"_L1) ? 600 : 510;
        const QString value = token.section(u'/', -1);
        r.status = value == "LO"_L1   ? Reading::Status::UnderRange
                   : value == "HI"_L1 ? Reading::Status::OverRange
                   : value == "X"_L1  ? Reading::Status::Dropped
                   : value == "-"_L1  ? Reading::Status::NoData
                                      : Reading::Status::Ok;
        r.damaged = r.status == Reading::Status::Dropped;
        if (r.status == Reading::Status::Ok)
            r.absorbance = value.toDouble();
        r.sequence = r.status == Reading::Status::NoData ? sequence : ++sequence;
        r.time = qint64(r.sequence) * 500000;
        shown(capture.take(r));
    }
    return said.join(u' ');
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT

private slots:
    void stream_data()
    {
        QTest::addColumn<QString>("stream");
        QTest::addColumn<QString>("captures");
        QTest::newRow("settles, one capture per film")
            << "0.010 0.400 0.505 0.512 0.511 0.512 0.513 0.512 0.512"
            << "0.5120#4-7";
        QTest::newRow("spread of exactly the tolerance") << "0.500 0.503 0.501 0.502"
                                                         << "0.5015#1-4";
        QTest::newRow("just over it, then settled") << "0.500 0.504 0.501 0.502 0.503"
                                                    << "0.5025#2-5";
        QTest::newRow("noise that never settles") << "0.500 0.504 0.500 0.504 0.500 0.504 0.500 !"
                                                  << "hold:unsteady";
        QTest::newRow("holder emptied between films")
            << "0.300 0.300 0.300 0.300 0.015 0.300 0.300 0.300 0.300 0.300"
            << "0.3000#1-4 0.3000#6-9";
        QTest::newRow("no second capture while the film stays") << "0.3 0.3 0.3 0.3 0.3 0.3 0.3 0.3"
                                                                << "0.3000#1-4";
        QTest::newRow("under range takes the film out") << "0.3 0.3 0.3 0.3 LO 0.3 0.3 0.3 0.3"
                                                        << "0.3000#1-4 0.3000#6-9";
        QTest::newRow("a range flag inside the window") << "0.3 0.3 HI 0.3 0.3 0.3 ! 0.3"
                                                        << "hold:not-ok 0.3000#4-7";
        QTest::newRow("a dropped piece inside the window") << "0.3 0.3 X 0.3 0.3 0.3 0.3"
                                                           << "0.3000#4-7";
        QTest::newRow("a silence inside the window") << "0.3 0.3 - 0.3 0.3 0.3 0.3"
                                                     << "0.3000#3-6";
        QTest::newRow("at the threshold counts, below does not")
            << "0.020 0.020 0.020 0.020 0.020 0.019 0.019 0.019 0.019 !"
            << "0.0200#1-4 hold:below-threshold";
        QTest::newRow("another wavelength is never taken")
            << "600/0.3 600/0.3 600/0.3 600/0.3 600/0.3 !"
            << "hold:other-wavelength";
        QTest::newRow("the wavelength changes under a film")
            << "0.3 0.3 0.3 600/0.3 0.3 0.3 0.3 0.3"
            << "0.3000#5-8";
        QTest::newRow("counts of 2000 and more, typed not shown") << "2.345 2.346 2.344 2.345"
                                                                  << "2.3450#1-4";
        QTest::newRow("readings missed restart the window") << "0.3 0.3 0.3 +2 0.3 0.3 0.3 0.3"
                                                            << "0.3000#6-9";
        QTest::newRow("the source stops mid-capture") << "0.3 0.3 0.3 stop 0.3 0.3 0.3 ! 0.3"
                                                      << "hold:settling 0.3000#4-7";
        QTest::newRow("a key takes the settled value again") << "0.3 0.3 0.3 0.3 ! 0.3"
                                                             << "0.3000#1-4 0.3000#1-4";
        QTest::newRow("a key before enough readings") << "! 0.3 0.3 !"
                                                      << "hold:no-reading hold:settling";
    }

    void stream()
    {
        QFETCH(QString, stream);
        QFETCH(QString, captures);
        StableCapture capture(CaptureRules{4, 0.020, 0.003, 510});
        QCOMPARE(run(capture, stream), captures);
    }

    void anyWavelengthButOne()
    {
        // Three readings a capture here.
        StableCapture capture(CaptureRules{3, 0.020, 0.003, 0});
        QCOMPARE(run(capture, "600/0.3 600/0.301 600/0.302 0.015 0.3 600/0.3 600/0.3 600/0.3"),
                 "0.3010#1-3 0.3000#6-8");
    }

    void nextId_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("next");
        QTest::newRow("counted on") << "D-0040"
                                    << "D-0041";
        QTest::newRow("carried") << "D-0099"
                                 << "D-0100";
        QTest::newRow("wider") << "D-9999"
                               << "D-10000";
        QTest::newRow("only the last digits") << "B7-9"
                                              << "B7-10";
        QTest::newRow("digits only") << "0"
                                     << "1";
        QTest::newRow("longer than any integer") << "X99999999999999999999"
                                                 << "X100000000000000000000";
        QTest::newRow("no digit at the end") << "D-12A"
                                             << "";
        QTest::newRow("not ASCII digits") << "D-١٢"
                                          << "";
    }

    void nextId()
    {
        QFETCH(QString, id);
        QFETCH(QString, next);
        QCOMPARE(DosimeterId::next(id), next);
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
