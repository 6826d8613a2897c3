#include "link/commcontrol.h"
#include "link/serialcommcontrol.h"
#include "pseudoterminal.h"
#include "resources/language.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The serial control on a real pseudo-terminal: what it asks of the terminal is read back
// with tcgetattr, and what it receives is read from Input directly. A pseudo-terminal always
// keeps eight data bits and clears PARENB itself, so those two are not seen here; everything
// else the control sets is.
class TestLineAttributes : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    void init()
    {
        m_dir = new QTemporaryDir;
        m_pty = new PseudoTerminal;
        const QString link = m_dir->filePath(u"line"_s);
        QVERIFY(m_pty->open(link).isEmpty());
        m_comm = new SerialCommControl([link](int) { return Outcome<QString>(link); });
    }

    void cleanup()
    {
        delete m_comm;
        delete m_pty;
        delete m_dir;
    }

    void settingsReachTheTerminal_data()
    {
        // clang-format off
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("speed");
        QTest::addColumn<bool>("parityChecked"); // INPCK and PARMRK
        QTest::addColumn<bool>("odd");           // PARODD
        QTest::addColumn<bool>("stick");         // CMSPAR: mark or space
        QTest::addColumn<bool>("twoStopBits");

        QTest::newRow("the reader's line") << "9600,N,8,1" << int(B9600) << false << false << false << false;
        QTest::newRow("even") << "19200,E,7,1" << int(B19200) << true << false << false << false;
        QTest::newRow("odd") << "4800,O,8,1" << int(B4800) << true << true << false << false;
        QTest::newRow("mark") << "1200,M,8,1" << int(B1200) << true << true << true << false;
        QTest::newRow("space") << "2400,S,8,1" << int(B2400) << true << false << true << false;
        QTest::newRow("two stop bits") << "115200,N,8,2" << int(B115200) << false << false << false << true;
        QTest::newRow("lower case") << "300,e,7,2" << int(B300) << true << false << false << true;
        // clang-format on
    }

    void settingsReachTheTerminal()
    {
        QFETCH(QString, settings);
        QFETCH(int, speed);
        QFETCH(bool, parityChecked);
        QFETCH(bool, odd);
        QFETCH(bool, stick);
        QFETCH(bool, twoStopBits);

        QVERIFY(m_comm->setSettings(settings).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        const termios tio = terminal();
        QCOMPARE(int(cfgetispeed(&tio)), speed);
        QCOMPARE(int(cfgetospeed(&tio)), speed);
        QCOMPARE(bool(tio.c_iflag & INPCK), parityChecked);
        // Marking is what turns a character received with a parity error into an alert.
        QCOMPARE(bool(tio.c_iflag & PARMRK), parityChecked);
        QVERIFY(!(tio.c_iflag & IGNPAR));
        QCOMPARE(bool(tio.c_cflag & PARODD), odd);
        QCOMPARE(bool(tio.c_cflag & CMSPAR), stick);
        QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStopBits);
    }

    void handshakingReachesTheTerminal_data()
    {
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<bool>("software"); // IXON and IXOFF
        QTest::addColumn<bool>("hardware"); // CRTSCTS

        QTest::newRow("none") << 0 << false << false;
        QTest::newRow("XON/XOFF") << 1 << true << false;
        QTest::newRow("RTS/CTS") << 2 << false << true;
        QTest::newRow("both") << 3 << true << true;
    }

    void handshakingReachesTheTerminal()
    {
        QFETCH(int, handshaking);
        QFETCH(bool, software);
        QFETCH(bool, hardware);

        // Set before opening, then changed back and forth while open: each reaches the terminal.
        QVERIFY(m_comm->setHandshaking(handshaking).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        termios tio = terminal();
        QCOMPARE(bool(tio.c_iflag & IXON), software);
        QCOMPARE(bool(tio.c_iflag & IXOFF), software);
        QCOMPARE(bool(tio.c_cflag & CRTSCTS), hardware);

        QVERIFY(m_comm->setHandshaking(0).isOk());
        tio = terminal();
        QVERIFY(!(tio.c_iflag & (IXON | IXOFF)));
        QVERIFY(!(tio.c_cflag & CRTSCTS));
        QVERIFY(m_comm->setHandshaking(handshaking).isOk());
        tio = terminal();
        QCOMPARE(bool(tio.c_iflag & IXON), software);
        QCOMPARE(bool(tio.c_cflag & CRTSCTS), hardware);
    }

    void terminalIsRawAndNeverBlocks()
    {
        // A terminal left as it was would turn CR into LF, swallow a ^C or ^S and wait for lines.
        termios cooked = terminal();
        cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        cooked.c_iflag |= ICRNL | IXON | ISTRIP;
        cooked.c_oflag |= OPOST;
        cooked.c_cc[VMIN] = 1;
        QCOMPARE(::tcsetattr(m_pty->masterFd(), TCSANOW, &cooked), 0);

        QVERIFY(m_comm->setPortOpen(true).isOk());
        const termios tio = terminal();
        QVERIFY(!(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)));
        QVERIFY(!(tio.c_iflag & (ICRNL | INLCR | IGNCR | IXON | ISTRIP)));
        QVERIFY(!(tio.c_oflag & OPOST));
        QVERIFY(tio.c_cflag & CREAD);
        QVERIFY(tio.c_cflag & CLOCAL);
        QCOMPARE(int(tio.c_cc[VMIN]), 0);
        QCOMPARE(int(tio.c_cc[VTIME]), 0);

        // Every byte arrives as it was sent, CR, ^C and ^S among them.
        QVERIFY(m_comm->setRThreshold(1).isOk());
        QVERIFY(m_comm->setInputLen(0).isOk());
        QSignalSpy events(m_comm, &CommControl::OnComm);
        const QByteArray bytes("1234 000\r\n\x03\x13\xff", 13);
        QVERIFY(send(bytes));
        QByteArray received;
        QTRY_VERIFY((received += m_comm->Input().value()).size() >= bytes.size());
        QCOMPARE(received, bytes);
    }

    void settingsChangedWhileOpenReachTheTerminal()
    {
        QVERIFY(m_comm->setPortOpen(true).isOk());
        QVERIFY(m_comm->setSettings(u"19200,O,8,2"_s).isOk());
        termios tio = terminal();
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
        QVERIFY(tio.c_cflag & PARODD);
        QVERIFY(tio.c_iflag & PARMRK);
        QVERIFY(tio.c_cflag & CSTOPB);

        // Back to the reader's line: nothing of the other line is left behind.
        QVERIFY(m_comm->setSettings(u"9600,N,8,1"_s).isOk());
        tio = terminal();
        QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
        QVERIFY(!(tio.c_cflag & (PARODD | CSTOPB | CMSPAR)));
        QVERIFY(!(tio.c_iflag & (INPCK | PARMRK)));

        // A rejected text changes nothing on the terminal either.
        QVERIFY(!m_comm->setSettings(u"19200,X,8,1"_s).isOk());
        tio = terminal();
        QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
    }

    void inputTakesAtMostInputLen_data()
    {
        QTest::addColumn<int>("inputLen");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QList<int>>("reads");

        QTest::newRow("ten at a time") << 10 << 25 << QList<int>{10, 10, 5, 0};
        QTest::newRow("exactly ten") << 10 << 10 << QList<int>{10, 0};
        QTest::newRow("one at a time") << 1 << 3 << QList<int>{1, 1, 1, 0};
        QTest::newRow("zero takes everything") << 0 << 25 << QList<int>{25, 0};
        QTest::newRow("more than waits") << 50 << 25 << QList<int>{25, 0};
    }

    void inputTakesAtMostInputLen()
    {
        QFETCH(int, inputLen);
        QFETCH(int, sent);
        QFETCH(QList<int>, reads);

        QVERIFY(m_comm->setRThreshold(qint16(sent)).isOk());
        QVERIFY(m_comm->setInputLen(qint16(inputLen)).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        QSignalSpy events(m_comm, &CommControl::OnComm);
        QByteArray bytes;
        for (int i = 0; i < sent; ++i)
            bytes += char('A' + i % 26);
        QVERIFY(send(bytes));
        QTRY_VERIFY(!events.isEmpty());
        QCOMPARE(m_comm->CommEvent().value(), qint16(CommEventCode::Receive));

        QByteArray taken;
        for (const int expected : reads) {
            const Outcome<QByteArray> input = m_comm->Input();
            QVERIFY(input.isOk());
            QCOMPARE(input.value().size(), qsizetype(expected));
            taken += input.value();
        }
        // In order, none twice, none lost.
        QCOMPARE(taken, bytes);
    }

    void receiveEventNeedsRThresholdCharacters()
    {
        QVERIFY(m_comm->setRThreshold(8).isOk());
        QVERIFY(m_comm->setInputLen(10).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        QSignalSpy events(m_comm, &CommControl::OnComm);

        QVERIFY(send("1234 00"));
        QTest::qWait(200);
        QVERIFY(events.isEmpty());
        QVERIFY(send("0"));
        QTRY_COMPARE(events.size(), 1);
        QCOMPARE(m_comm->Input().value(), QByteArray("1234 000"));

        // With no threshold there are no receive events at all, but the characters still wait.
        QVERIFY(m_comm->setRThreshold(0).isOk());
        QVERIFY(send("0500 100"));
        QTest::qWait(200);
        QCOMPARE(events.size(), 1);
        QByteArray waiting;
        QTRY_COMPARE(waiting += m_comm->Input().value(), QByteArray("0500 100"));
    }

    void fullBufferLeavesTheRestInTheKernel()
    {
        // Nothing is read out of the control while 1500 characters arrive: it holds 1024 and
        // the kernel the rest, and none is lost once Input makes room.
        QVERIFY(m_comm->setRThreshold(1).isOk());
        QVERIFY(m_comm->setInputLen(0).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        QByteArray bytes;
        for (int i = 0; i < 1500; ++i)
            bytes += char('0' + i % 10);
        QVERIFY(send(bytes));
        QTest::qWait(300);
        const QByteArray first = m_comm->Input().value();
        QCOMPARE(first.size(), SerialCommControl::kReceiveBufferSize);
        QByteArray all = first;
        QTRY_VERIFY((all += m_comm->Input().value()).size() >= bytes.size());
        QCOMPARE(all, bytes);
    }

    void bufferNeverHoldsMoreThanItsSize()
    {
        QVERIFY(m_comm->setRThreshold(0).isOk());
        QVERIFY(m_comm->setInputLen(0).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        // A part-filled buffer takes only what still fits.
        QVERIFY(send(QByteArray(1000, 'a')));
        QTest::qWait(200);
        QVERIFY(send(QByteArray(1000, 'b')));
        QTest::qWait(300);
        const QByteArray held = m_comm->Input().value();
        QCOMPARE(held.size(), SerialCommControl::kReceiveBufferSize);
        QCOMPARE(held, QByteArray(1000, 'a') + QByteArray(24, 'b'));
    }

    void dataByteFFSurvivesParityMarking_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("no parity") << "9600,N,8,1";
        // With parity marking the kernel doubles a received FF to tell it from a mark.
        QTest::newRow("even parity, marked") << "9600,E,8,1";
        QTest::newRow("mark parity, marked") << "9600,M,8,1";
    }

    void dataByteFFSurvivesParityMarking()
    {
        QFETCH(QString, settings);
        QVERIFY(m_comm->setSettings(settings).isOk());
        QVERIFY(m_comm->setRThreshold(0).isOk());
        QVERIFY(m_comm->setInputLen(0).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        QVERIFY(send("a\xff"
                     "b\xff\xff"
                     "c"));
        QByteArray all;
        QTRY_VERIFY((all += m_comm->Input().value()).size() >= 6);
        QTest::qWait(100);
        all += m_comm->Input().value();
        QCOMPARE(all, QByteArray("a\xff"
                                 "b\xff\xff"
                                 "c"));
    }

private:
    termios terminal() const
    {
        termios tio{};
        // On Linux the master side reports the attributes of the terminal the control opened.
        if (::tcgetattr(m_pty->masterFd(), &tio) != 0)
            qFatal("tcgetattr on the pseudo-terminal failed");
        return tio;
    }
    // Writes into the reader's end and waits until the control holds `count` characters.

    bool send(const QByteArray &bytes)
    {
        if (::write(m_pty->masterFd(), bytes.constData(), size_t(bytes.size())) != bytes.size())
            return false;
        ::tcdrain(m_pty->masterFd());
        return true;
    }

    QTemporaryDir *m_dir = nullptr;
    PseudoTerminal *m_pty = nullptr;
    SerialCommControl *m_comm = nullptr;
};

QTEST_GUILESS_MAIN(TestLineAttributes)
#include "tst_lineattributes.moc"
