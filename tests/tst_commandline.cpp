#include <QTest>

// The program's command line and its start without a display: each answer comes before any
// window, settings file or bus name, and ends the program with the status its manual gives.
class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("display"); // "-": none at all
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // ending in "*": this, then Qt's own reason

        const QString noDisplay =
            "zav41k: no display found; the program needs one, named by DISPLAY "
            "(X11) or WAYLAND_DISPLAY (Wayland)\n";
        QTest::newRow("help") << QStringList{"--help"} << "-" << 0 << "Usage: zav41k\n"
                              << "";
        QTest::newRow("short help") << QStringList{"-h"} << "-" << 0 << "Usage: zav41k\n"
                                    << "";
        QTest::newRow("version") << QStringList{"--version"} << "-" << 0 << "zav41k 1.0\n"
                                 << "";
        QTest::newRow("unknown option")
            << QStringList{"--port=2"} << "-" << 2 << ""
            << "zav41k: --port=2 is not an option; the program takes none besides --help and "
               "--version\n";
        QTest::newRow("help and more")
            << QStringList{"--help", "x"} << "-" << 2 << ""
            << "zav41k: --help is not an option; the program takes none besides --help and "
               "--version\n";
        QTest::newRow("Qt's own option") << QStringList{"-platform", "offscreen"} << "-" << 2 << ""
                                         << "zav41k: -platform is not an option; the program takes "
                                            "none besides --help and --version\n";
        QTest::newRow("no display named") << QStringList{} << "-" << 1 << "" << noDisplay + "*";
        // A named display that cannot be reached is no missing display: the program's line, then
        // Qt's own reason.
        QTest::newRow("display not there") << QStringList{} << ":4321" << 1 << ""
                                           << "zav41k: cannot start on the display :4321\n*";
    }

    void answers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, display);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);

        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            environment.remove(QString::fromLatin1(name));
        if (display != "-")
            environment.insert("DISPLAY", display);
        environment.insert("XDG_CONFIG_HOME", home.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(qEnvironmentVariable("ZAV41K_PROGRAM"), arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QString stdOut = QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
        const QString stdErr = QString::fromUtf8(program.readAllStandardError());
        if (err.endsWith(u'*')) {
            QVERIFY2(stdErr.startsWith(err.chopped(1)), qPrintable(stdErr));
            QVERIFY2(stdErr.size() > err.size() + 10, qPrintable(stdErr));
        } else {
            QCOMPARE(stdErr, err);
        }
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
