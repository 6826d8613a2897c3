#include "link/commcontrol.h"
#include "link/lineerrors.h"
#include "link/linesettings.h"
#include "link/serialcommcontrol.h"
#include "pseudoterminal.h"
#include "resources/failuretexts.h"
#include "resources/language.h"
#include "support/unprivileged.h"

#include <QtTest>

#include <functional>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// For cases that never open the port.
Outcome<QString> noDevice(int)
{
    return Failure{Failure::PortUnavailable, u"no device in this test"_s};
}

} // namespace

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

class TestSerialControl : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    void lineSettings_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normalised"); // empty: invalid

        QTest::newRow("the reader's line") << "9600,N,8,1" << "9600,N,8,1";
        QTest::newRow("lower-case parity") << "19200,e,7,2" << "19200,E,7,2";
        QTest::newRow("blanks around fields") << " 9600 , N , 8 , 1 " << "9600,N,8,1";
        QTest::newRow("mark parity") << "1200,M,7,1" << "1200,M,7,1";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("baud only") << "9600" << "";
        QTest::newRow("five fields") << "9600,N,8,1,0" << "";
        QTest::newRow("unknown parity") << "9600,X,8,1" << "";
        QTest::newRow("odd baud rate") << "9601,N,8,1" << "";
        QTest::newRow("nine data bits") << "9600,N,9,1" << "";
        QTest::newRow("four data bits") << "9600,N,4,1" << "";
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

    void propertyRanges_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QList<int>>("accepted");
        QTest::addColumn<QList<int>>("refused");
        QTest::newRow("CommPort") << "CommPort" << QList<int>{1, 16, 17} << QList<int>{0, -1, 256};
        QTest::newRow("Handshaking") << "Handshaking" << QList<int>{0, 3} << QList<int>{4, -1};
        QTest::newRow("RThreshold") << "RThreshold" << QList<int>{0, 1} << QList<int>{-1};
        QTest::newRow("InputLen") << "InputLen" << QList<int>{0, 10} << QList<int>{-1};
    }

    void propertyRanges()
    {
        QFETCH(QString, property);
        QFETCH(QList<int>, accepted);
        QFETCH(QList<int>, refused);
        SerialCommControl comm(noDevice);
        const QHash<QString, std::pair<std::function<Status(int)>, std::function<int()>>> access{
            {"CommPort",
             {[&](int v) { return comm.setCommPort(qint16(v)); },
              [&] { return int(comm.CommPort().value()); }}},
            {"Handshaking",
             {[&](int v) { return comm.setHandshaking(v); },
              [&] { return int(comm.Handshaking().value()); }}},
            {"RThreshold",
             {[&](int v) { return comm.setRThreshold(qint16(v)); },
              [&] { return int(comm.RThreshold().value()); }}},
            {"InputLen",
             {[&](int v) { return comm.setInputLen(qint16(v)); },
              [&] { return int(comm.InputLen().value()); }}},
        };
        const auto &[set, get] = access.value(property);
        for (int value : accepted) {
            QVERIFY(set(value).isOk());
            QCOMPARE(get(), value);
        }
        for (int value : refused) {
            const Status status = set(value);
            QVERIFY(!status.isOk());
            QVERIFY(status.failure().description.contains(property));
            QCOMPARE(get(), accepted.last()); // the value before stands
        }
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
        QTemporaryDir dir;
        PseudoTerminal pty;
        QVERIFY(pty.open(dir.filePath(u"line"_s)).isEmpty());
        const auto [path, expected] = prepare(dir.path(), pty.devicePath());
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
        QTemporaryDir dir;
        PseudoTerminal pty;
        const QString link = dir.filePath(u"line"_s);
        QVERIFY(pty.open(link).isEmpty());
        auto resolver = [&](int) { return Outcome<QString>(link); };
        SerialCommControl first(resolver);
        SerialCommControl second(resolver);
        QVERIFY(first.setPortOpen(true).isOk());
        const Status status = second.setPortOpen(true);
        QVERIFY(!status.isOk());
        QCOMPARE(status.failure().code, int(Failure::PortInUse));
        QVERIFY(status.failure().description.contains(u"in use"_s));
        QVERIFY(first.setPortOpen(false).isOk());
        QVERIFY(second.setPortOpen(true).isOk());
    }

    void openStateRules()
    {
        QTemporaryDir dir;
        PseudoTerminal pty;
        const QString link = dir.filePath(u"line"_s);
        QVERIFY(pty.open(link).isEmpty());
        SerialCommControl comm([&](int) { return Outcome<QString>(link); });

        QCOMPARE(comm.Input().failure().code, int(Failure::PortNotOpen));
        QVERIFY(comm.setPortOpen(false).isOk()); // closing a closed port is harmless
        QVERIFY(comm.setPortOpen(true).isOk());
        QCOMPARE(comm.setPortOpen(true).failure().code, int(Failure::PortAlreadyOpen));
        QCOMPARE(comm.setCommPort(2).failure().code, int(Failure::PortAlreadyOpen));
        QCOMPARE(comm.CommPort().value(), qint16(1));
        // Line parameters may change while open (a pseudo-terminal takes 8 bits, no parity only).
        QVERIFY(comm.setSettings(u"4800,N,8,2"_s).isOk());
        const Status handshaking = comm.setHandshaking(0);
        QVERIFY2(handshaking.isOk(),
                 qPrintable(handshaking.isOk() ? QString() : handshaking.failure().description));
        QVERIFY(comm.setPortOpen(false).isOk());
        QVERIFY(comm.setCommPort(2).isOk());
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
        QTest::newRow("overrun") << QList<int>{0, 0, 1, 0, 0} << QList<qint16>{Overrun};
        QTest::newRow("buffer overrun")
            << QList<int>{0, 0, 0, 2, 0} << QList<qint16>{ReceiveOverflow};
        QTest::newRow("break") << QList<int>{0, 0, 0, 0, 1} << QList<qint16>{Break};
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
};

QTEST_GUILESS_MAIN(TestSerialControl)
#include "tst_serialcontrol.moc"
