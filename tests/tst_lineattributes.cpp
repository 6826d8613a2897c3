#include "link/commcontrol.h"
#include "link/serialcommcontrol.h"
#include "pseudoterminal.h"
#include "resources/language.h"

#include <QtTest>

#include <algorithm>
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

    // What the control sets reaches the terminal, set before opening or while open, and a
    // change back leaves nothing of the other line behind. The terminal starts cooked, as a
    // terminal left as it was would turn CR into LF, swallow a ^C or ^S and wait for lines.
    void attributesReachTheTerminal_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("handshaking");
        QTest::addColumn<QString>("line"); // as lineOf() reads it back
        // clang-format off
        QTest::newRow("the reader's line") << "9600,N,8,1" << 0 << "9600";
        QTest::newRow("even") << "19200,E,7,1" << 0 << "19200 INPCK PARMRK";
        QTest::newRow("odd") << "4800,O,8,1" << 0 << "4800 INPCK PARMRK PARODD";
        QTest::newRow("mark") << "1200,M,8,1" << 0 << "1200 INPCK PARMRK PARODD CMSPAR";
        QTest::newRow("space") << "2400,S,8,1" << 0 << "2400 INPCK PARMRK CMSPAR";
        QTest::newRow("two stop bits") << "115200,N,8,2" << 0 << "115200 CSTOPB";
        QTest::newRow("lower case") << "300,e,7,2" << 0 << "300 INPCK PARMRK CSTOPB";
        QTest::newRow("XON/XOFF") << "9600,N,8,1" << 1 << "9600 IXON IXOFF";
        QTest::newRow("RTS/CTS") << "9600,N,8,1" << 2 << "9600 CRTSCTS";
        QTest::newRow("both handshakes") << "19200,N,8,2" << 3 << "19200 IXON IXOFF CSTOPB CRTSCTS";
        // clang-format on
    }

    void attributesReachTheTerminal()
    {
        QFETCH(QString, settings);
        QFETCH(int, handshaking);
        QFETCH(QString, line);
        termios cooked = terminal();
        cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
        cooked.c_iflag |= ICRNL | IXON | ISTRIP | IGNPAR;
        cooked.c_oflag |= OPOST;
        cooked.c_cc[VMIN] = 1;
        QCOMPARE(::tcsetattr(m_pty->masterFd(), TCSANOW, &cooked), 0);

        QVERIFY(m_comm->setSettings(settings).isOk());
        QVERIFY(m_comm->setHandshaking(handshaking).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        QCOMPARE(lineOf(terminal()), line);
        QVERIFY(m_comm->setSettings(u"9600,N,8,1"_s).isOk());
        QVERIFY(m_comm->setHandshaking(0).isOk());
        QCOMPARE(lineOf(terminal()), u"9600"_s);
        // A pseudo-terminal drops PARENB, and the C library takes that for a failure of the next
        // change, so parity reaches it only before the opening.
        if (!line.contains(u"INPCK"_s)) {
            QVERIFY(m_comm->setSettings(settings).isOk());
            QVERIFY(m_comm->setHandshaking(handshaking).isOk());
            QCOMPARE(lineOf(terminal()), line);
        }
        // A rejected text changes nothing on the terminal.
        QVERIFY(!m_comm->setSettings(u"19200,X,8,1"_s).isOk());
        QCOMPARE(lineOf(terminal()), line.contains(u"INPCK"_s) ? u"9600"_s : line);

        // Every byte arrives as it was sent, CR, ^C and ^S among them.
        QVERIFY(m_comm->setSettings(u"9600,N,8,1"_s).isOk());
        QVERIFY(m_comm->setHandshaking(0).isOk());
        QVERIFY(m_comm->setRThreshold(1).isOk());
        QVERIFY(m_comm->setInputLen(0).isOk());
        const QByteArray bytes("1234 000\r\n\x03\x13\xff", 13);
        QVERIFY(send(bytes));
        QByteArray received;
        QTRY_VERIFY((received += m_comm->Input().value()).size() >= bytes.size());
        QCOMPARE(received, bytes);
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
        // Nothing is read out of the control while 2000 characters arrive: it holds 1024, a
        // part-filled buffer taking only what still fits, and the kernel holds the rest, none of
        // which is lost once Input makes room.
        QVERIFY(m_comm->setRThreshold(0).isOk());
        QVERIFY(m_comm->setInputLen(0).isOk());
        QVERIFY(m_comm->setPortOpen(true).isOk());
        const QByteArray bytes = QByteArray(1000, 'a') + QByteArray(1000, 'b');
        QVERIFY(send(bytes.first(1000)));
        QTest::qWait(200);
        QVERIFY(send(bytes.sliced(1000)));
        QTest::qWait(300);
        QByteArray all = m_comm->Input().value();
        QCOMPARE(all, bytes.first(SerialCommControl::kReceiveBufferSize));
        QTRY_VERIFY((all += m_comm->Input().value()).size() >= bytes.size());
        QCOMPARE(all, bytes);
    }

private:
    // The speed and the flags that the control sets on or off, named where they differ from a
    // raw line of eight bits without parity or handshake (a pseudo-terminal always keeps eight
    // data bits and clears PARENB itself, so those two are not seen).
    static QString lineOf(const termios &tio)
    {
        const struct {
            speed_t code;
            int baud;
        } speeds[] = {{B300, 300},   {B1200, 1200},   {B2400, 2400},    {B4800, 4800},
                      {B9600, 9600}, {B19200, 19200}, {B115200, 115200}};
        const auto speed = std::find_if(std::begin(speeds), std::end(speeds),
                                        [&](const auto &s) { return s.code == cfgetospeed(&tio); });
        QStringList line{QString::number(speed == std::end(speeds) ? -1 : speed->baud)};
        if (cfgetispeed(&tio) != cfgetospeed(&tio))
            line << u"input speed differs"_s;
#define FLAG(field, flag, on)                                                                      \
    {                                                                                              \
        &termios::field, flag, #flag, on                                                           \
    }
        const struct {
            tcflag_t termios::*field;
            tcflag_t flag;
            const char *name;
            bool on; // in a raw line
        } flags[] = {
            FLAG(c_iflag, INPCK, false),  FLAG(c_iflag, PARMRK, false),
            FLAG(c_iflag, IGNPAR, false), FLAG(c_iflag, IXON, false),
            FLAG(c_iflag, IXOFF, false),  FLAG(c_iflag, ICRNL, false),
            FLAG(c_iflag, INLCR, false),  FLAG(c_iflag, IGNCR, false),
            FLAG(c_iflag, ISTRIP, false), FLAG(c_oflag, OPOST, false),
            FLAG(c_lflag, ICANON, false), FLAG(c_lflag, ECHO, false),
            FLAG(c_lflag, ISIG, false),   FLAG(c_lflag, IEXTEN, false),
            FLAG(c_cflag, PARODD, false), FLAG(c_cflag, CMSPAR, false),
            FLAG(c_cflag, CSTOPB, false), FLAG(c_cflag, CRTSCTS, false),
            FLAG(c_cflag, CREAD, true),   FLAG(c_cflag, CLOCAL, true),
        };
#undef FLAG
        for (const auto &f : flags) {
            if (bool(tio.*f.field & f.flag) != f.on)
                line << (f.on ? u"-"_s : QString()) + QLatin1String(f.name);
        }
        if (tio.c_cc[VMIN] != 0 || tio.c_cc[VTIME] != 0)
            line << u"VMIN %1 VTIME %2"_s.arg(tio.c_cc[VMIN]).arg(tio.c_cc[VTIME]);
        return line.join(u' ');
    }

    termios terminal() const
    {
        termios tio{};
        // On Linux the master side reports the attributes of the terminal the control opened.
        if (::tcgetattr(m_pty->masterFd(), &tio) != 0)
            qFatal("tcgetattr on the pseudo-terminal failed");
        return tio;
    }

    // Writes into the reader's end and waits until it is sent.
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
