#include "support/childprocess.h"

#include <QTest>

#include <climits>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The bridge's command line, through the real program: every usage error ends it at once with
// status 2 and a message that says what is wrong, before it touches the bus or the broker.
class TestBridgeOptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("ZAV41K_MQTT"), "ZAV41K_MQTT names the bridge");
        QVERIFY(::mkfifo(QFile::encodeName(m_dir.filePath(u"fifo"_s)).constData(), 0600) == 0);
        QFile password(m_dir.filePath(u"password"_s));
        QVERIFY(password.open(QIODevice::WriteOnly));
        password.write("secret\n");
    }

    void usageErrors_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("arguments"); // DIR is the test's folder
        QTest::addColumn<QString>("message");

        QTest::newRow("unknown option") << QStringList{"--colour"} << "Unknown option 'colour'";
        QTest::newRow("a value missing") << QStringList{"--host"} << "Missing value after '--host'";
        QTest::newRow("an argument") << QStringList{"broker"} << "no arguments are taken";
        QTest::newRow("password file is a FIFO")
            << QStringList{"--username", "lab", "--password-file", "DIR/fifo"}
            << "the password file DIR/fifo is not a regular file";
        QTest::newRow("password without a user")
            << QStringList{"--password-file", "DIR/password"} << "--password-file needs --username";
        QTest::newRow("CA file missing") << QStringList{"--cafile", "DIR/none.pem"}
                                         << "cannot read the CA file DIR/none.pem: No such file or directory";
        QTest::newRow("key missing")
            << QStringList{"--cafile", "DIR/password", "--cert", "DIR/password", "--key", "DIR/none"}
            << "cannot read the key DIR/none";
        QTest::newRow("client id longer than MQTT takes")
            << QStringList{"--client-id", QString(70000, u'c')}
            << "the client id is 70000 bytes long; MQTT takes at most 65535";
        QTest::newRow("topics longer than MQTT takes")
            << QStringList{"--client-id", QString(65530, u'c')} << "make topics of 65553 bytes";
        QTest::newRow("queue past its largest")
            << QStringList{"--queue", "3000000000"} << u"--queue takes a number from 1 to %1"_s.arg(INT_MAX);
        QTest::newRow("a wildcard in the client id")
            << QStringList{"--client-id", "lab#1"} << "the client id \"lab#1\" cannot be a topic level";
        QTest::newRow("CA file not PEM") << QStringList{"--cafile", "DIR/password"}
                                         << "the CA file DIR/password holds no PEM certificate";
        QTest::newRow("client id with a control character")
            << QStringList{"--client-id", "lab\x1b[2J"} << "the client id holds the control character U+001b";
        QTest::newRow("prefix with a tab")
            << QStringList{"--prefix", "plant\t2"} << "the prefix holds the control character U+0009";
        QTest::newRow("port") << QStringList{"--port", "70000"} << "--port takes a number from 1 to 65535";
        // clang-format on
    }

    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        for (QString &argument : arguments)
            argument.replace(u"DIR"_s, m_dir.path());
        message.replace(u"DIR"_s, m_dir.path());
        ChildProcess bridge(qEnvironmentVariable("ZAV41K_MQTT"), arguments);
        QCOMPARE(bridge.exitCode(), 2); // not waiting for the bus or the broker
        QVERIFY2(bridge.errors().contains(message), qPrintable(bridge.errors().left(300)));
        QVERIFY(bridge.errors().startsWith(u"zav41k-mqtt: "_s));
    }

    void helpEndsWell()
    {
        ChildProcess bridge(qEnvironmentVariable("ZAV41K_MQTT"), {u"--help"_s});
        QCOMPARE(bridge.exitCode(), 0);
        QVERIFY(bridge.lines().join(u' ').contains(u"--password-file"_s));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestBridgeOptions)
#include "tst_bridgeoptions.moc"
