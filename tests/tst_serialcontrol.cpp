#include "link/commcontrol.h"
#include "link/lineerrors.h"
#include "link/linesettings.h"
#include "link/serialcommcontrol.h"
#include "pseudoterminal.h"
#include "resources/failuretexts.h"
#include "resources/language.h"
#include "support/unprivileged.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// How the row prepares the line's device (`device`, in the folder `dir`), and what it leaves
// for the open: the path to open and what a user is told.
using Prepare = std::function<QPair<QString, QString>(const QString &dir, const QString &device)>;

Prepare owned(gid_t group, mode_t mode, bool named)
{
    return [=](const QString &, const QString &device) {
        const QByteArray name = QFile::encodeName(device);
        if (::chown(name.constData(), 0, group) != 0 || ::chmod(name.constData(), mode) != 0)
            return qMakePair(QString(), QString());
        return qMakePair(device, named ? FailureTexts::permissionDenied(device, "dialout")
                                       : FailureTexts::permissionDeniedNoGroup(device));
    };
}

// The serial control: its settings and properties, opening a device, and on a real
// pseudo-terminal what it asks of the terminal (read back with tcgetattr) and what it receives.
// A pseudo-terminal always keeps eight data bits and clears PARENB itself, so those two are not
// seen; everything else the control sets is.
class TestSerialControl : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    // Each test has the pseudo-terminal at m_link to itself, the control closed.
    void init()
    {
        QVERIFY(m_comm.setPortOpen(false).isOk());
        (void)m_comm.setCommPort(1);
        m_pty.close();
        QVERIFY(m_pty.open(m_link).isEmpty());
        // Only its owner enters the folder, as when it was made.
        QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner |
                                                        QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner));
    }

    void lineSettings_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalised"); // empty: invalid

        QTest::newRow("the reader's line") << "9600,N,8,1" << "9600,N,8,1";
        QTest::newRow("lower-case parity") << "19200,e,7,2" << "19200,E,7,2";
        QTest::newRow("blanks around fields") << " 9600 , N , 8 , 1 " << "9600,N,8,1";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("baud only") << "9600" << "";
        QTest::newRow("unknown parity") << "9600,X,8,1" << "";
        QTest::newRow("odd baud rate") << "9601,N,8,1" << "";
        QTest::newRow("nine data bits") << "9600,N,9,1" << "";
        QTest::newRow("three stop bits") << "9600,N,8,3" << "";
        QTest::newRow("one and a half stop bits") << "9600,N,8,1.5" << "";
        QTest::newRow("letters for baud") << "fast,N,8,1" << "";
        // clang-format on
    }

    void lineSettings()
    {
        QFETCH(QString, text);
        QFETCH(QString, normalised);
        const Outcome<LineSettings> parsed = LineSettings::parse(text);
        QCOMPARE(parsed.isOk(), !normalised.isEmpty());
        if (parsed)
            QCOMPARE(parsed.value().toString(), normalised);
        else
            QVERIFY(parsed.failure().description.contains(text));
    }

    void openFailures_data()
    {
        // clang-format off
        QTest::addColumn<QString>("path"); // "DIR" stands for a temporary folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");

        QTest::newRow("missing device") << "DIR/ttyUSB7" << int(Failure::PortUnavailable) << "does not exist";
        QTest::newRow("a folder") << "DIR" << int(Failure::PortUnavailable) << "not a serial device";
        QTest::newRow("a plain file") << "DIR/file" << int(Failure::PortUnavailable) << "not a serial device";
        QTest::newRow("a device that is no terminal") << "/dev/null" << int(Failure::PortUnavailable)
                                                      << "not a serial device";
        // clang-format on
    }

    void openFailures()
    {
        QFETCH(QString, path);
        QFETCH(int, code);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QFile file(dir.filePath(u"file"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        path.replace(u"DIR"_s, dir.path());

        SerialCommControl comm([&](int) { return Outcome<QString>(path); });
        const Status status = comm.setPortOpen(true);
        QVERIFY(!status.isOk());
        QCOMPARE(status.failure().code, code);
        QVERIFY2(status.failure().description.contains(says),
                 qPrintable(status.failure().description));
        QVERIFY(status.failure().description.contains(path));
        QVERIFY(!comm.PortOpen().value());
    }

    void permissionAdvice_data()
    {
        QTest::addColumn<Prepare>("prepare");
        const struct group *dialout = ::getgrnam("dialout");
        const gid_t group = dialout ? dialout->gr_gid : 0;
        QTest::newRow("its group may use it: join the group") << owned(group, 0660, true);
        QTest::newRow("its group is root: no group named") << owned(0, 0660, false);
        QTest::newRow("its group may only read: no group named") << owned(group, 0640, false);
        QTest::newRow("a regular file: not a serial device") << Prepare(
            [](const QString &dir, const QString &) {
                const QString path = dir + "/passwd";
                QFile file(path);
                const bool made =
                    file.open(QIODevice::WriteOnly) &&
                    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther) &&
                    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner | QFileDevice::ExeOther);
                return qMakePair(made ? path : QString(), FailureTexts::notASerialDevice(path));
            });
        // The link, in a folder only its owner enters.
        QTest::newRow("a folder on the way is closed") << Prepare([](const QString &dir,
                                                                     const QString &) {
            return qMakePair(dir + "/line", FailureTexts::permissionDeniedOnPath(dir + "/line"));
        });
    }

    // What a user who may not open the device is told. The open runs without privileges in a
    // child process, since root opens anything.
    void permissionAdvice()
    {
        QFETCH(Prepare, prepare);
        if (::geteuid() != 0)
            QSKIP("setting a device's owner needs root; the open itself runs as nobody");
        if (!::getgrnam("dialout"))
            QSKIP("this system has no group dialout");
        const auto [path, expected] = prepare(m_dir.path(), m_pty.devicePath());
        QVERIFY(!path.isEmpty());
        const std::optional<QString> said = asUnprivileged([path = path] {
            SerialCommControl comm([path](int) { return Outcome<QString>(path); });
            const Status status = comm.setPortOpen(true);
            return status ? u"opened"_s : status.failure().description;
        });
        QVERIFY(said);
        QCOMPARE(*said, expected);
    }

    void openIsExclusive()
    {
        SerialCommControl second([this](int) { return Outcome<QString>(m_link); });
        QVERIFY(m_comm.setPortOpen(true).isOk());
        const Status status = second.setPortOpen(true);
        QCOMPARE(status.failure().code, int(Failure::PortInUse));
        QVERIFY(status.failure().description.contains(u"in use"_s));
        QVERIFY(m_comm.setPortOpen(false).isOk());
        QVERIFY(second.setPortOpen(true).isOk());
    }

    void openStateRules()
    {
        QCOMPARE(m_comm.Input().failure().code, int(Failure::PortNotOpen));
        QVERIFY(m_comm.setPortOpen(false).isOk()); // closing a closed port is harmless
        QVERIFY(m_comm.setPortOpen(true).isOk());
        QCOMPARE(m_comm.setPortOpen(true).failure().code, int(Failure::PortAlreadyOpen));
        QCOMPARE(m_comm.setCommPort(2).failure().code, int(Failure::PortAlreadyOpen));
        QCOMPARE(m_comm.CommPort().value(), qint16(1));
        QVERIFY(m_comm.setPortOpen(false).isOk());
        QVERIFY(m_comm.setCommPort(2).isOk());
        // Ports 1 to 255; a number outside is refused, naming the property, and 2 stands.
        for (const qint16 outside : {0, 256}) {
            const Status refused = m_comm.setCommPort(outside);
            QVERIFY(!refused && refused.failure().description.contains(u"CommPort"_s));
        }
        QCOMPARE(m_comm.CommPort().value(), qint16(2));
        QVERIFY(m_comm.setCommPort(255).isOk());
    }

    // The driver's counts of framing, parity, overrun, buffer overrun and break errors since
    // the last look, and the events they raise: one of each kind, overruns first.
    void lineErrorEvents_data()
    {
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QList<qint16>>("events");
        using namespace CommEventCode;
        QTest::newRow("none") << QList<int>{0, 0, 0, 0, 0} << QList<qint16>{};
        QTest::newRow("framing") << QList<int>{3, 0, 0, 0, 0} << QList<qint16>{Framing};
        QTest::newRow("parity, once for many")
            << QList<int>{0, 7, 0, 0, 0} << QList<qint16>{Parity};
        QTest::newRow("all, overrun first")
            << QList<int>{1, 1, 1, 1, 1}
            << QList<qint16>{Overrun, ReceiveOverflow, Parity, Framing, Break};
    }

    void lineErrorEvents()
    {
        QFETCH(QList<int>, counts);
        QFETCH(QList<qint16>, events);
        QCOMPARE(LineErrors::events({counts[0], counts[1], counts[2], counts[3], counts[4]}),
                 events);
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
        QCOMPARE(::tcsetattr(m_pty.masterFd(), TCSANOW, &cooked), 0);

        QVERIFY(m_comm.setSettings(settings).isOk());
        QVERIFY(m_comm.setHandshaking(handshaking).isOk());
        QVERIFY(m_comm.setPortOpen(true).isOk());
        QCOMPARE(lineOf(terminal()), line);
        QVERIFY(m_comm.setSettings(u"9600,N,8,1"_s).isOk());
        QVERIFY(m_comm.setHandshaking(0).isOk());
        QCOMPARE(lineOf(terminal()), u"9600"_s);
        // A pseudo-terminal drops PARENB, and the C library takes that for a failure of the next
        // change, so parity reaches it only before the opening.
        if (!line.contains(u"INPCK"_s)) {
            QVERIFY(m_comm.setSettings(settings).isOk());
            QVERIFY(m_comm.setHandshaking(handshaking).isOk());
            QCOMPARE(lineOf(terminal()), line);
        }
        // A rejected text changes nothing on the terminal.
        QVERIFY(!m_comm.setSettings(u"19200,X,8,1"_s).isOk());
        QCOMPARE(lineOf(terminal()), line.contains(u"INPCK"_s) ? u"9600"_s : line);

        // Every byte arrives as it was sent, CR, ^C and ^S among them.
        QVERIFY(m_comm.setSettings(u"9600,N,8,1"_s).isOk());
        QVERIFY(m_comm.setHandshaking(0).isOk());
        QVERIFY(m_comm.setRThreshold(1).isOk());
        QVERIFY(m_comm.setInputLen(0).isOk());
        const QByteArray bytes("1234 000\r\n\x03\x13\xff", 13);
        QVERIFY(send(bytes));
        QByteArray received;
        QTRY_VERIFY((received += m_comm.Input().value()).size() >= bytes.size());
        QCOMPARE(received, bytes);
    }

    void inputTakesAtMostInputLen_data()
    {
        QTest::addColumn<int>("inputLen");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QList<int>>("reads");

        QTest::newRow("ten at a time") << 10 << 25 << QList<int>{10, 10, 5, 0};
        QTest::newRow("one at a time") << 1 << 3 << QList<int>{1, 1, 1, 0};
        QTest::newRow("zero takes everything") << 0 << 25 << QList<int>{25, 0};
        QTest::newRow("more than waits") << 50 << 25 << QList<int>{25, 0};
    }

    void inputTakesAtMostInputLen()
    {
        QFETCH(int, inputLen);
        QFETCH(int, sent);
        QFETCH(QList<int>, reads);

        QVERIFY(openWith(qint16(sent), qint16(inputLen)));
        QSignalSpy events(&m_comm, &CommControl::OnComm);
        QByteArray bytes;
        for (int i = 0; i < sent; ++i)
            bytes += char('A' + i % 26);
        QVERIFY(send(bytes));
        QTRY_VERIFY(!events.isEmpty());
        QCOMPARE(m_comm.CommEvent().value(), qint16(CommEventCode::Receive));

        QByteArray taken;
        for (const int expected : reads) {
            const Outcome<QByteArray> input = m_comm.Input();
            QVERIFY(input.isOk());
            QCOMPARE(input.value().size(), qsizetype(expected));
            taken += input.value();
        }
        // In order, none twice, none lost.
        QCOMPARE(taken, bytes);
    }

    // The records of one read are raised one after another, but handlers slower than a slice
    // of time let the event loop run between them: a timer started by the first is not held
    // up by the whole burst.
    void aSlowBurstLetsTimersRun()
    {
        QVERIFY(openWith(1, 10));
        QByteArrayList taken;
        qsizetype takenWhenTheTimerRan = -1;
        QObject scope; // the handler and the timer end with this test
        connect(&m_comm, &CommControl::OnComm, &scope, [&] {
            taken += m_comm.Input().value();
            if (taken.size() == 1)
                QTimer::singleShot(1, Qt::PreciseTimer, &scope,
                                   [&] { takenWhenTheTimerRan = taken.size(); });
            QThread::msleep(10);
        });
        const QByteArray burst("0001 000\r\n0002 000\r\n0003 000\r\n0004 000\r\n");
        QVERIFY(send(burst));
        QTRY_COMPARE(taken.join(), burst);
        QCOMPARE_GE(takenWhenTheTimerRan, 1);
        QCOMPARE_LT(takenWhenTheTimerRan, taken.size());
    }

    void fullBufferLeavesTheRestInTheKernel()
    {
        // Nothing is read out of the control while 2000 characters arrive: it holds 1024, a
        // part-filled buffer taking only what still fits, and the kernel holds the rest, none of
        // which is lost once Input makes room.
        QVERIFY(openWith(0, 0));
        const QByteArray bytes = QByteArray(1000, 'a') + QByteArray(1000, 'b');
        QVERIFY(send(bytes.first(1000)));
        QTest::qWait(200);
        QVERIFY(send(bytes.sliced(1000)));
        QTest::qWait(300);
        QByteArray all = m_comm.Input().value();
        QCOMPARE(all, bytes.first(SerialCommControl::kReceiveBufferSize));
        QTRY_VERIFY((all += m_comm.Input().value()).size() >= bytes.size());
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
        if (::tcgetattr(m_pty.masterFd(), &tio) != 0)
            qFatal("tcgetattr on the pseudo-terminal failed");
        return tio;
    }

    // Writes into the reader's end and waits until it is sent.
    bool send(const QByteArray &bytes)
    {
        if (::write(m_pty.masterFd(), bytes.constData(), size_t(bytes.size())) != bytes.size())
            return false;
        ::tcdrain(m_pty.masterFd());
        return true;
    }

    // Opens the line with these receive settings.
    bool openWith(qint16 rThreshold, qint16 inputLen)
    {
        return m_comm.setRThreshold(rThreshold).isOk() && m_comm.setInputLen(inputLen).isOk() &&
               m_comm.setPortOpen(true).isOk();
    }

    QTemporaryDir m_dir;
    QString m_link = m_dir.filePath(u"line"_s);
    PseudoTerminal m_pty;
    SerialCommControl m_comm{[this](int) { return Outcome<QString>(m_link); }};
};

QTEST_GUILESS_MAIN(TestSerialControl)
#include "tst_serialcontrol.moc"
