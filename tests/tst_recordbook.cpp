#include "recordbook.h"
#include "support/filesizelimit.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

// A reading at a local time of the test's time zone.
Reading readingAt(quint64 sequence, const QDateTime &local, const QString &record)
{
    Reading reading;
    reading.sequence = sequence;
    reading.time = local.toMSecsSinceEpoch() * 1000 + 250;
    reading.absorbance = 1.234;
    reading.shown = QStringLiteral("1.234");
    reading.wavelength = 600;
    reading.status = Reading::Status::Ok;
    reading.record = record;
    return reading;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TestRecordBook : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void rowFields_data();
    void rowFields();
    void newFileAtLocalMidnight();
    void appendsAfterARestart();
    void partRowAtTheEndIsCutOff();
    void fileThatIsNoRecordIsLeftAlone();
    void fullDiskLeavesNoPartRow();
};

void TestRecordBook::initTestCase()
{
    // Midnight in Paris is 23:00 UTC: a day taken from UTC would put rows in the wrong file.
    qputenv("TZ", "Europe/Paris");
    tzset();
}

void TestRecordBook::rowFields_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("absorbance");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArray>("row"); // after the time field

    QTest::newRow("good") << "1.234" << 1.234 << "ok" << false << "1234 100"
                          << QByteArray(",7,1.234,1.234,600,ok,0,1234 100\n");
    QTest::newRow("under range has no number")
        << "LO" << std::nan("") << "under-range" << false << "0123 010"
        << QByteArray(",7,LO,,600,under-range,0,0123 010\n");
    QTest::newRow("a record with a comma and a quote is quoted")
        << "0.777" << 0.777 << "ok" << true << "a,\"d 000"
        << QByteArray(",7,0.777,0.777,600,ok,1,\"a,\"\"d 000\"\n");
}

void TestRecordBook::rowFields()
{
    QFETCH(QString, shown);
    QFETCH(double, absorbance);
    QFETCH(QString, status);
    QFETCH(bool, damaged);
    QFETCH(QString, record);
    QFETCH(QByteArray, row);
    Reading reading;
    reading.sequence = 7;
    reading.time = 1796688000123456; // 2026-12-08T00:00:00.123456Z
    reading.shown = shown;
    reading.absorbance = absorbance;
    reading.wavelength = 600;
    QVERIFY(Reading::statusFromName(status, &reading.status));
    reading.damaged = damaged;
    reading.record = record;
    QCOMPARE(RecordBook::row(reading), "2026-12-08T00:00:00.123456Z" + row);
}

void TestRecordBook::newFileAtLocalMidnight()
{
    QTemporaryDir folder;
    RecordBook book(folder.filePath(QStringLiteral("record"))); // made when first needed
    const QDate day(2026, 12, 8);
    const QDateTime lastOfDay(day, QTime(23, 59, 59, 999));
    QVERIFY(book.append(readingAt(1, lastOfDay.addSecs(-1), QStringLiteral("1111 000"))));
    QVERIFY(book.append(readingAt(2, lastOfDay, QStringLiteral("2222 000"))));
    QVERIFY(book.append(readingAt(3, lastOfDay.addMSecs(1), QStringLiteral("3333 000"))));

    const QDir dir(folder.filePath(QStringLiteral("record")));
    QCOMPARE(dir.entryList(QDir::Files), (QStringList{QStringLiteral("zav41k-2026-12-08.csv"),
                                                      QStringLiteral("zav41k-2026-12-09.csv")}));
    const QList<QByteArray> first =
        contents(dir.filePath(QStringLiteral("zav41k-2026-12-08.csv"))).split('\n');
    const QList<QByteArray> second =
        contents(dir.filePath(QStringLiteral("zav41k-2026-12-09.csv"))).split('\n');
    QCOMPARE(first.size(), 4); // header, two rows, and nothing after the last line end
    QCOMPARE(first.at(0) + '\n', QByteArray(RecordBook::kHeader));
    QVERIFY(first.at(2).endsWith(",2222 000"));
    QCOMPARE(second.size(), 3);
    QCOMPARE(second.at(0) + '\n', QByteArray(RecordBook::kHeader));
    QVERIFY(second.at(1).startsWith("2026-12-08T23:00:00.000250Z,3,"));
}

void TestRecordBook::appendsAfterARestart()
{
    QTemporaryDir folder;
    const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0));
    {
        RecordBook book(folder.path());
        QVERIFY(book.append(readingAt(1, noon, QStringLiteral("1111 000"))));
    }
    RecordBook again(folder.path());
    QVERIFY(again.append(readingAt(1, noon.addSecs(5), QStringLiteral("2222 000"))));
    const QByteArray text = contents(again.currentFile());
    QCOMPARE(text.count("time,sequence"), 1);
    QCOMPARE(text.count('\n'), 3);
    QVERIFY(text.indexOf("1111 000") < text.indexOf("2222 000"));
}

void TestRecordBook::partRowAtTheEndIsCutOff()
{
    QTemporaryDir folder;
    const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0));
    const QString path = QDir(folder.path()).filePath(RecordBook::fileNameFor(noon.date()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray whole = QByteArray(RecordBook::kHeader) +
                             RecordBook::row(readingAt(1, noon, QStringLiteral("1111 000")));
    file.write(whole + "2026-12-08T11:00:01.0000");
    file.close();

    RecordBook book(folder.path());
    QStringList notices;
    book.notice = [&notices](const QString &text) { notices << text; };
    QVERIFY(book.append(readingAt(2, noon.addSecs(1), QStringLiteral("2222 000"))));
    QCOMPARE(notices.size(), 1);
    QVERIFY2(notices.first().contains(QStringLiteral("part row")), qPrintable(notices.first()));
    QCOMPARE(contents(path),
             whole + RecordBook::row(readingAt(2, noon.addSecs(1), QStringLiteral("2222 000"))));
}

void TestRecordBook::fileThatIsNoRecordIsLeftAlone()
{
    QTemporaryDir folder;
    const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0));
    const QString path = QDir(folder.path()).filePath(RecordBook::fileNameFor(noon.date()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray other(10000, 'x'); // no line end in it at all
    file.write(other);
    file.close();

    RecordBook book(folder.path());
    const Status status = book.append(readingAt(1, noon, QStringLiteral("1111 000")));
    QVERIFY(!status);
    QVERIFY2(status.failure().description.contains(path), qPrintable(status.failure().description));
    QCOMPARE(contents(path), other);
}

void TestRecordBook::fullDiskLeavesNoPartRow()
{
    QTemporaryDir folder;
    const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0));
    RecordBook book(folder.path());
    QVERIFY(book.append(readingAt(1, noon, QStringLiteral("1111 000"))));
    const QByteArray before = contents(book.currentFile());
    {
        // Room for part of the next row only.
        FileSizeLimit limit(rlim_t(before.size() + 20));
        const Status status = book.append(readingAt(2, noon, QStringLiteral("2222 000")));
        QVERIFY(!status);
        QVERIFY2(status.failure().description.contains(book.currentFile()),
                 qPrintable(status.failure().description));
    }
    QCOMPARE(contents(book.currentFile()), before);
    // Once there is room again, the next row follows on a line of its own.
    QVERIFY(book.append(readingAt(3, noon, QStringLiteral("3333 000"))));
    QCOMPARE(contents(book.currentFile()),
             before + RecordBook::row(readingAt(3, noon, QStringLiteral("3333 000"))));
}

QTEST_GUILESS_MAIN(TestRecordBook)
#include "tst_recordbook.moc"
