#include "link/portmap.h"
#include "resources/language.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPortMap : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setCurrentLanguage(Language::English);
        const QString dev = m_root.filePath(u"dev"_s);
        const QString sys = m_root.filePath(u"sys/class/tty"_s);
        for (const char *name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS12",
                                 "tty0", "ttyUSBx", "console"})
            touch(dev + u'/' + QLatin1String(name));
        touch(sys + u"/ttyS0/type"_s, "4\n");
        touch(sys + u"/ttyS1/type"_s, "0\n");
        touch(sys + u"/ttyS12/type"_s, "4\n");
        touch(m_root.filePath(u"ZAV41K.conf"_s),
              "[Properties]\nCommPort=2\n[Ports]\nCom2=/dev/serial/by-id/usb-reader\n"
              "Com17=/tmp/sim/line\nCom3=relative/path\nCom4=/tmp/\xe9\xff\nCom5=\"/dev/tty USB\"\n"
              "Com6=  /dev/./ttyUSB0  \nCom7=\nCom6x=/nothing\n[Other]\nCom8=/dev/other\n");
    }

    void numbering_data()
    {
        // clang-format off
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device"); // empty: no device

        QTest::newRow("first USB adapter by number") << 1 << "dev/ttyUSB2";
        QTest::newRow("second USB adapter, numeric order") << 2 << "dev/ttyUSB10";
        QTest::newRow("ttyACM after ttyUSB") << 3 << "dev/ttyACM0";
        QTest::newRow("built-in port with hardware") << 4 << "dev/ttyS0";
        QTest::newRow("built-in port without hardware skipped") << 5 << "dev/ttyS12";
        QTest::newRow("beyond the devices present") << 6 << "";
        QTest::newRow("port 0") << 0 << "";
        // clang-format on
    }

    void numbering()
    {
        QFETCH(int, port);
        QFETCH(QString, device);
        // No settings file: only the devices present count.
        const PortMap map(m_root.filePath(u"none.conf"_s), m_root.filePath(u"dev"_s),
                          m_root.filePath(u"sys"_s));
        QCOMPARE(map.presentDevices().size(), 5);
        const Outcome<QString> path = map.devicePath(port);
        QCOMPARE(path.isOk(), !device.isEmpty());
        if (path)
            QCOMPARE(path.value(), m_root.filePath(device));
        else
            QVERIFY(path.failure().description.contains(u"Com%1"_s.arg(port)));
    }

    void explicitEntries_data()
    {
        // clang-format off
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");  // empty: refused
        QTest::addColumn<QString>("message"); // part of the refusal

        QTest::newRow("entry wins over the device present") << 2 << "/dev/serial/by-id/usb-reader" << "";
        QTest::newRow("entry beyond 16") << 17 << "/tmp/sim/line" << "";
        QTest::newRow("relative entry is refused, naming the file")
            << 3 << "" << "Com3 in ROOT/ZAV41K.conf names \"relative/path\", which is not an absolute path";
        QTest::newRow("bytes that are not UTF-8") << 4 << "" << "Com4 in ROOT/ZAV41K.conf names a path that is not UTF-8";
        QTest::newRow("quoted") << 5 << "/dev/tty USB" << "";
        QTest::newRow("blanks around, cleaned") << 6 << "/dev/ttyUSB0" << "";
        QTest::newRow("empty entry: the device present") << 7 << "" << "Com7: no serial device";
        QTest::newRow("another group's entry does not count") << 8 << "" << "Com8: no serial device";
        QTest::newRow("no entry") << 1 << "ROOT/dev/ttyUSB2" << "";
        // clang-format on
    }

    void explicitEntries()
    {
        QFETCH(int, port);
        QFETCH(QString, device);
        QFETCH(QString, message);
        device.replace(u"ROOT"_s, m_root.path());
        message.replace(u"ROOT"_s, m_root.path());
        const PortMap map(m_root.filePath(u"ZAV41K.conf"_s), m_root.filePath(u"dev"_s),
                          m_root.filePath(u"sys"_s));
        const Outcome<QString> path = map.devicePath(port);
        if (device.isEmpty()) {
            QVERIFY(!path);
            QVERIFY2(path.failure().description.contains(message),
                     qPrintable(path.failure().description));
        } else {
            QVERIFY2(path, qPrintable(path ? QString() : path.failure().description));
            QCOMPARE(path.value(), device);
        }
    }

private:
    void touch(const QString &path, const QByteArray &content = {})
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
