#include "support/childprocess.h"
#include "support/linkprocess.h"
#include "support/programprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTest>

#include <csignal>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kHeader =
    "time,sequence,absorbance_shown,absorbance,wavelength_nm,status,damaged,record";

// The rows of every file of a record folder, in the order of their days, headers left out;
// fails the test on a line that is not a whole row.
QList<QByteArray> recordedRows(const QString &folder, int *headers = nullptr)
{
    QList<QByteArray> rows;
    int seen = 0;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({u"zav41k-*.csv"_s}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray text = file.readAll();
        if (!text.isEmpty() && !text.endsWith('\n')) {
            qWarning("%s does not end with a line end", qPrintable(name));
            return {};
        }
        for (const QByteArray &line : text.split('\n')) {
            if (line.isEmpty())
                continue;
            if (line == kHeader) {
                ++seen;
                continue;
            }
            if (line.count(',') != 7 || !line.startsWith("20")) {
                qWarning("not a whole row: %s", line.constData());
                return {};
            }
            rows.append(line);
        }
    }
    if (headers)
        *headers = seen;
    return rows;
}

quint64 sequenceOf(const QByteArray &row)
{
    return row.split(',').value(1).toULongLong();
}

// Link clients that wait for the source before it starts, so that they see its first reading.
bool waitUntilWaiting(LinkProcess &client)
{
    return QTest::qWaitFor([&client] { return client.errors().contains(u"waiting"_s); }, 5000);
}

} // namespace

class TestReadingRecord : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run the tests through scripts/test, which starts one");
    }

    // The record, the JSON readings and the program's own records: one row per reading, the same
    // values in both, a row for the silence, and the source's stop and start said.
    void rowsMatchTheReadingsOneToOne()
    {
        QTemporaryDir folder;
        LinkProcess json({u"readings"_s, u"--json"_s});
        LinkProcess record({u"record"_s, folder.path()});
        QVERIFY(waitUntilWaiting(json));
        QVERIFY(waitUntilWaiting(record));

        ProgramProcess program;
        QVERIFY(program.start({}));
        QTRY_VERIFY_WITH_TIMEOUT(record.errors().contains(u"is running"_s), 10000);
        const QList<QByteArray> records{"1234 000", "2005 100", "0123 010", "0123 101",
                                        "9999 100", "-012 000", "abcd 000"};
        for (const QByteArray &line : records)
            program.send(line + "\r\n");
        // Then three seconds of silence, which is a reading too. (A program slow to start may
        // have reported a silence before its first record: every client sees that one too.)
        auto afterFirstRecord = [](const QList<QByteArray> &lines) {
            return int(std::count_if(lines.cbegin(), lines.cend(), [](const QByteArray &line) {
                return line.startsWith('{') ? !line.contains("\"sequence\":0,")
                                            : sequenceOf(line) != 0;
            }));
        };
        auto utf8 = [](const QStringList &lines) {
            QList<QByteArray> bytes;
            for (const QString &line : lines)
                bytes << line.toUtf8();
            return bytes;
        };
        QTRY_COMPARE_WITH_TIMEOUT(afterFirstRecord(utf8(json.lines())), records.size() + 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(afterFirstRecord(utf8(record.lines())), records.size() + 1, 5000);
        const int early = int(json.lines().size()) - int(records.size()) - 1;
        QCOMPARE(int(record.lines().size()) - int(records.size()) - 1, early);

        int headers = 0;
        QList<QByteArray> rows = recordedRows(folder.path(), &headers);
        QCOMPARE(headers, 1);
        QCOMPARE(rows.size(), early + records.size() + 1);
        for (int i = 0; i < rows.size(); ++i) {
            // What the record printed is what is in the file.
            QCOMPARE(record.lines().at(i).toUtf8(), rows.at(i));
            // The same reading as the JSON gives it, field for field.
            const QJsonObject r = QJsonDocument::fromJson(json.lines().at(i).toUtf8()).object();
            const QJsonValue absorbance = r.value(u"absorbance"_s);
            QCOMPARE(QString::fromUtf8(rows.at(i)),
                     u"%1,%2,%3,%4,%5,%6,%7,%8"_s.arg(
                         r.value(u"time"_s).toString(),
                         QString::number(r.value(u"sequence"_s).toInteger()),
                         r.value(u"shown"_s).toString(),
                         absorbance.isNull() ? QString() : QString::number(absorbance.toDouble()),
                         QString::number(r.value(u"wavelength"_s).toInteger()),
                         r.value(u"status"_s).toString(),
                         r.value(u"damaged"_s).toBool() ? u"1"_s : u"0"_s,
                         r.value(u"record"_s).toString()));
            const QList<QByteArray> fields = rows.at(i).split(',');
            if (i >= early && i - early < records.size()) {
                QCOMPARE(fields.at(7), records.at(i - early));
                QCOMPARE(sequenceOf(rows.at(i)), quint64(i - early + 1));
            }
        }
        rows = rows.mid(early);
        const QList<QByteArray> silence = rows.last().split(',');
        QCOMPARE(silence.at(5), QByteArray("no-data"));
        QCOMPARE(sequenceOf(rows.last()), quint64(records.size()));
        QCOMPARE(rows.at(2).split(',').at(5), QByteArray("under-range"));
        QCOMPARE(rows.at(6).split(',').at(6), QByteArray("1")); // the count did not convert

        // The source stops and starts again: both are said, and the record goes on.
        QVERIFY(program.terminate());
        QTRY_VERIFY_WITH_TIMEOUT(record.errors().contains(u"has stopped"_s), 5000);
        ProgramProcess second;
        second.start({});
        QTRY_VERIFY_WITH_TIMEOUT(record.errors().count(u"is running"_s) == 2, 10000);
        second.send("0500 100\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(record.lines().size(), early + records.size() + 2, 5000);
        QVERIFY(recordedRows(folder.path()).last().endsWith(",0.500,0.5,600,ok,0,0500 100"));
    }

    void folderIsCheckedAtTheStart_data()
    {
        QTest::addColumn<QString>("folder"); // "kept" for one that another record keeps
        QTest::addColumn<QString>("reason");
        QTest::newRow("no folder") << ""
                                   << "no folder";
        QTest::newRow("under a file") << "/dev/null/record"
                                      << "cannot make the folder";
        QTest::newRow("kept by another record") << "kept"
                                                << "already kept by process";
    }

    // Said at once, before any reading comes, with status 2.
    void folderIsCheckedAtTheStart()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        QTemporaryDir kept;
        std::unique_ptr<LinkProcess> first;
        if (folder == "kept"_L1) {
            folder = kept.path();
            first = std::make_unique<LinkProcess>(QStringList{u"record"_s, folder});
            QVERIFY(waitUntilWaiting(*first));
            reason += u" %1 (zav41k-link)"_s.arg(first->process().processId());
        }
        LinkProcess second({u"record"_s, folder});
        QVERIFY(second.process().waitForFinished(10000));
        QCOMPARE(second.process().exitCode(), 2);
        QVERIFY2(second.errors().contains(reason), qPrintable(second.errors()));
        QVERIFY(second.lines().isEmpty());
        if (first)
            QCOMPARE(first->process().state(), QProcess::Running);
    }

    // A row that cannot be written (here past a file size limit of one block) ends the record
    // with status 1 and the file named, never with a part row or a silent success.
    void aRowThatCannotBeWrittenEndsTheRecord()
    {
        QTemporaryDir folder;
        ChildProcess record(u"sh"_s, {"-c", "ulimit -f 1; exec \"$0\" record \"$1\"",
                                      qEnvironmentVariable("ZAV41K_LINK"), folder.path()});
        ProgramProcess program;
        QVERIFY(program.start({}));
        QVERIFY2(record.hasSaid(u"is running"_s), qPrintable(record.errors()));
        for (int i = 0; i < 40 && record.process().state() == QProcess::Running; ++i) {
            program.send("0123 000\r\n");
            QTest::qWait(20);
        }
        QCOMPARE(record.exitCode(), 1);
        QVERIFY2(record.errors().contains(folder.path()), qPrintable(record.errors()));
        QVERIFY(!recordedRows(folder.path()).isEmpty()); // whole rows only, up to the limit
    }
};

QTEST_GUILESS_MAIN(TestReadingRecord)
#include "tst_readingrecord.moc"
