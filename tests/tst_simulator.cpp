#include "link/serialcommcontrol.h"
#include "simscript.h"
#include "support/readerharness.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The program's reader link fed by the simulator program, as the demo runs it.
struct SimulatedReader : ReaderHarness<SerialCommControl> {
    SimulatedReader()
        : ReaderHarness([this](int) { return Outcome<QString>(link); })
        , link(dir.filePath(u"line"_s))
    {
    }

    ~SimulatedReader()
    {
        sim.terminate();
        sim.waitForFinished(3000);
    }

    bool start(const QStringList &arguments)
    {
        sim.setProgram(qEnvironmentVariable("ZAV41K_SIM"));
        sim.setArguments(QStringList{u"--link"_s, link} + arguments);
        sim.start();
        if (!sim.waitForStarted(5000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(link) && waited.elapsed() < 5000)
            QTest::qWait(20);
        return comm.setRThreshold(1) && comm.setInputLen(10) && comm.setPortOpen(true);
    }

    QTemporaryDir dir;
    QString link;
    QProcess sim;
};

} // namespace

class TestSimulator : public QObject {
    Q_OBJECT

private slots:
    void scriptLines_data()
    {
        // clang-format off
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("action"); // kind:bytes-escaped or kind:seconds; empty for none
        QTest::newRow("record gets the line end") << "1234 000" << "send:1234 000\\r\\n";
        QTest::newRow("raw has no line end") << "@raw 12\\x0d" << "send:12\\r";
        QTest::newRow("escapes") << "@raw a\\tb\\\\c\\xff" << "send:a\\x09b\\\\c\\xff";
        QTest::newRow("bad hex stays literal") << "@raw \\xZ" << "send:\\\\xZ";
        QTest::newRow("pause") << "@pause 2.5" << "pause:2.5";
        QTest::newRow("unplug") << "@unplug 1" << "unplug:1";
        QTest::newRow("comment") << "# a comment" << "";
        QTest::newRow("negative pause") << "@pause -1" << "error";
        QTest::newRow("unknown directive") << "@jump 3" << "error";
        // clang-format on
    }

    void scriptLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, action);
        QString error;
        const std::optional<SimAction> parsed = SimScript::parseLine(line, "\r\n", &error);
        if (action == u"error"_s) {
            QVERIFY(!parsed);
            QVERIFY(!error.isEmpty());
            return;
        }
        QVERIFY(error.isEmpty());
        QString described;
        if (parsed) {
            switch (parsed->kind) {
            case SimAction::Kind::Send:
                described = "send:" + SimScript::escape(parsed->bytes);
                break;
            case SimAction::Kind::Pause:
                described = "pause:" + QString::number(parsed->seconds);
                break;
            case SimAction::Kind::Unplug:
                described = "unplug:" + QString::number(parsed->seconds);
                break;
            }
        }
        QCOMPARE(described, action);
    }

    void initTestCase()
    {
        QVERIFY2(QFileInfo(qEnvironmentVariable("ZAV41K_SIM")).isExecutable(),
                 "ZAV41K_SIM must name the simulator");
    }

    void recordsAcrossAnUnplug()
    {
        SimulatedReader r;
        QVERIFY(r.start({u"@pause 0.3"_s, u"0500 100"_s, u"@pause 0.5"_s, u"@unplug 1.5"_s,
                         u"@pause 1.5"_s, u"0123 010"_s}));
        QTRY_COMPARE(r.indicators.text(IndicatorModel::Item::Absorbance), u"0.500"_s);
        QTRY_COMPARE_WITH_TIMEOUT(r.indicators.text(IndicatorModel::Item::Absorbance), u"LO"_s,
                                  8000);
        QCOMPARE(r.decodes(), 2);
    }

    void stream()
    {
        SimulatedReader r;
        QVERIFY(r.start({u"--stream"_s, u"100"_s, u"--count"_s, u"15"_s, u"--quiet"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(r.decodes(), 15, 8000);
        QTest::qWait(200);
        QCOMPARE(r.decodes(), 15);
    }

    void helpSaysWhatTheProgramShows()
    {
        // Every example that the help gives of a record, sent by the simulator and read as the
        // program reads it, shows what the help says it shows.
        QProcess help;
        help.start(qEnvironmentVariable("ZAV41K_SIM"), {u"--help"_s});
        QVERIFY(help.waitForFinished(5000));
        const QString text = QString::fromUtf8(help.readAllStandardOutput());
        struct Example {
            QString record, absorbance, wavelength;
        };
        QList<Example> examples;
        static const QRegularExpression shows(u"(\\d{4}) shows ([^ ,)]+)"_s);
        for (const QRegularExpressionMatch &m : shows.globalMatch(text))
            examples.append({m.captured(1) + u" 000"_s, m.captured(2), "510"});
        static const QRegularExpression is(
            u"(\\d{4} \\d{3}) is ([^ ;.]+(?:\\.\\d+)?)(?: at (\\d+) nm)?"_s);
        for (const QRegularExpressionMatch &m : is.globalMatch(text))
            examples.append({m.captured(1), m.captured(2), m.captured(3)});
        QVERIFY2(examples.size() >= 4, qPrintable(text));
        for (const Example &example : examples) {
            SimulatedReader r;
            QVERIFY(r.start({example.record}));
            QTRY_VERIFY(r.decodes() == 1);
            QCOMPARE(r.indicators.text(IndicatorModel::Item::Absorbance), example.absorbance);
            if (!example.wavelength.isEmpty())
                QCOMPARE(r.indicators.text(IndicatorModel::Item::Wavelength), example.wavelength);
        }
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
