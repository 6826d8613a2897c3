#include "link/serialcommcontrol.h"
#include "procstats.h"
#include "pseudoterminal.h"
#include "support/readerharness.h"

#include <QRandomGenerator>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The reader link on a real pseudo-terminal, configured as start-up configures it.
struct Line : ReaderHarness<SerialCommControl> {
    Line()
        : ReaderHarness([this](int) { return Outcome<QString>(link); })
        , link(dir.filePath(u"line"_s))
    {
    }

    bool open()
    {
        return pty.open(link).isEmpty() && comm.setSettings(u"9600,N,8,1"_s) &&
               comm.setRThreshold(1) && comm.setInputLen(10) && comm.setHandshaking(0) &&
               comm.setDTREnable(false) && comm.setPortOpen(true);
    }

    void write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(pty.masterFd(), bytes.constData() + done,
                                      static_cast<size_t>(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                QTest::qWait(5); // the kernel's buffer is full until the program reads
        }
    }

    QTemporaryDir dir;
    QString link;
    PseudoTerminal pty;
};

} // namespace

class TestSerialLine : public QObject {
    Q_OBJECT

private slots:
    // Rows: the bytes, written at once or one at a time, and the absorbances shown, a long
    // list as "count: first ... last".
    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("paced");
        QTest::addColumn<QString>("absorbances");
        QByteArray burst; // four times the control's buffer
        for (int i = 0; i < 400; ++i)
            burst += QByteArray::number(i).rightJustified(4, '0') + " 000\r\n";
        // clang-format off
        QTest::newRow("one byte at a time") << QByteArray("1234 000\r\n") << true << "1.234";
        QTest::newRow("two records in one write") << QByteArray("1234 000\r\n0500 100\r\n") << false << "1.234|0.500";
        QTest::newRow("ten characters, no line end") << QByteArray("1234 000XY0500 100YZ\r\n") << false << "1.234|0.500";
        // "7777777777" is a count of 7777.
        QTest::newRow("a long run without line end") << QByteArray(5005, '7') + "\r\n0500 100\r\n" << false << "501: 7.78 ... 0.500";
        QTest::newRow("a burst larger than the buffer") << burst << false << "400: 0.000 ... 0.399";
        // clang-format on
    }

    void records()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, paced);
        QFETCH(QString, absorbances);
        Line line;
        QVERIFY(line.open());
        for (qsizetype i = 0; i < bytes.size(); i += paced ? 1 : bytes.size()) {
            line.write(bytes.mid(i, paced ? 1 : -1));
            QTest::qWait(paced ? 3 : 0);
        }
        auto shown = [&] {
            const QStringList all = line.absorbances();
            return all.size() <= 3
                       ? all.join(u'|')
                       : u"%1: %2 ... %3"_s.arg(all.size()).arg(all.first(), all.last());
        };
        QTRY_COMPARE(shown(), absorbances);
        QTest::qWait(50);
        QCOMPARE(shown(), absorbances); // each decoded exactly once
        QVERIFY(line.reader.receiveHandler().ReceiveBuffer().size() <= 10);
    }

    void garbageThenGoodRecords()
    {
        Line line;
        QVERIFY(line.open());
        QByteArray garbage(4000, Qt::Uninitialized);
        QRandomGenerator random(7);
        for (char &c : garbage)
            c = static_cast<char>(random.bounded(256));
        line.write(garbage);
        line.write("\r\n1234 000\r\n0123 010\r\n");
        QTRY_VERIFY(line.absorbances().size() >= 2);
        QTRY_COMPARE(line.absorbances().mid(line.absorbances().size() - 2),
                     (QStringList{u"1.234"_s, u"LO"_s}));
        QVERIFY(line.prompter.mostOpenAtOnce <= 1);
    }

    void nestedEventsWhileABoxIsOpen()
    {
        Line line;
        QVERIFY(line.open());
        line.write("0777 000\r\n");
        QTRY_COMPARE(line.absorbances().size(), 1);
        // A real modal box runs a nested event loop; the record that came behind the bad one
        // in the same write is decoded while it is open, and so are those that arrive then.
        line.prompter.whileOpen = [&] {
            line.prompter.whileOpen = nullptr;
            QTRY_COMPARE(line.absorbances().size(), 3);
            line.write("0555 000\r\n");
            QTRY_COMPARE(line.absorbances().size(), 4);
        };
        line.write("12a4 100\r\n0666 000\r\n");
        QTRY_COMPARE(line.prompter.shown.size(), 1);
        QCOMPARE(line.absorbances(), (QStringList{u"0.777"_s, u"0.777"_s, u"0.666"_s, u"0.555"_s}));
        QCOMPARE(line.indicators.text(IndicatorModel::Item::Wavelength), u"510"_s);
        QVERIFY(line.reader.watchdog().isRunning());
    }

    void deviceLossAndReturn()
    {
        Line line;
        QVERIFY(line.open());
        line.write("1234 000\r\n0999 0"); // unplugged in the middle of a record
        QTRY_COMPARE(line.absorbances().size(), 1);
        QTRY_COMPARE(line.reader.receiveHandler().ReceiveBuffer(), u"0999 0"_s);

        line.pty.close();
        QTRY_VERIFY(!line.comm.deviceConnected());
        QVERIFY(line.comm.PortOpen().value());
        const double before = ProcStats::cpuSeconds(::getpid());
        QTest::qWait(2500);
        const double spent = ProcStats::cpuSeconds(::getpid()) - before;
        qInfo("CPU while the device was away: %.3f s in 2.5 s", spent);
        QVERIFY2(spent < 0.15, qPrintable(u"%1 s of CPU"_s.arg(spent)));

        QVERIFY(line.pty.open(line.link).isEmpty());                  // plugged in again
        QTRY_VERIFY_WITH_TIMEOUT(line.comm.deviceConnected(), 10000); // a loaded machine
        // The half record from before is not glued to the next one.
        line.write("00 100\r\n0500 100\r\n");
        QTRY_COMPARE(line.absorbances().size(), 2);
        QCOMPARE(line.absorbances().last(), u"0.500"_s);
        QCOMPARE(line.prompter.shown.size(), 0);
        // Once back, the control stops trying: it does not open the device again and again.
        QTest::qWait(2 * SerialCommControl::kReconnectIntervalMs + 500);
        QCOMPARE(line.comm.findChildren<QSocketNotifier *>().size(), 1);

        // Closed while the device is away, it stops trying to reach it.
        line.pty.close();
        QTRY_VERIFY(!line.comm.deviceConnected());
        QVERIFY(line.comm.setPortOpen(false).isOk());
        QVERIFY(line.pty.open(line.link).isEmpty());
        QTest::qWait(1500);
        QVERIFY(!line.comm.deviceConnected());
        QVERIFY(!line.comm.PortOpen().value());
    }

    void closeAndReopenDropsTheHalfRecord()
    {
        Line line;
        QVERIFY(line.open());
        line.write("1234 000\r\n0999 0");
        QTRY_COMPARE(line.reader.receiveHandler().ReceiveBuffer(), u"0999 0"_s);
        QVERIFY(line.comm.setPortOpen(false).isOk());
        QVERIFY(line.comm.setPortOpen(true).isOk());
        line.write("00 100\r\n0500 100\r\n");
        QTRY_COMPARE(line.absorbances().size(), 2);
        QCOMPARE(line.absorbances().last(), u"0.500"_s);
    }
};

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serialline.moc"
