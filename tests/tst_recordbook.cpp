#include "recordbook.h"
#include "support/filesizelimit.h"

#include <QTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A reading at a local time of the test's time zone.
Reading readingAt(quint64 sequence, const QDateTime &local, const QString &record)
{
    Reading reading;
    reading.sequence = sequence;
    reading.time = local.toMSecsSinceEpoch() * 1000 + 250;
    reading.absorbance = 1.234;
    reading.shown = u"1.234"_s;
    reading.wavelength = 600;
    reading.status = Reading::Status::Ok;
    reading.record = record;
    return reading;
}

const QDateTime kNoon(QDate(2026, 12, 8), QTime(12, 0));

// Reading `sequence` at noon, its record "1111 000" for 1 and so on.
Reading at(quint64 sequence)
{
    return readingAt(sequence, kNoon, QString(4, QChar(u'0' + int(sequence % 10))) + u" 000"_s);
}

// The file of the test day's rows in `folder`.
QString dayFile(const QString &folder)
{
    return QDir(folder).filePath(RecordBook::fileNameFor(kNoon.date()));
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
    void initTestCase()
    {
        // Midnight in Paris is 23:00 UTC: a day taken from UTC would put rows in the wrong file.
        qputenv("TZ", "Europe/Paris");
        tzset();
    }

    void rowFields_data()
    {
        QTest::addColumn<Reading>("reading");
        QTest::addColumn<QByteArray>("row");
        const auto reading = [](qint64 time, const char *shown, double absorbance,
                                Reading::Status status, bool damaged, const char *record) {
            Reading r;
            r.sequence = 7;
            r.time = time; // microseconds since the epoch
            r.shown = QString::fromLatin1(shown);
            r.absorbance = absorbance;
            r.wavelength = 600;
            r.status = status;
            r.damaged = damaged;
            r.record = QString::fromLatin1(record);
            return r;
        };
        const qint64 day = 1796688000123456; // 2026-12-08T00:00:00.123456Z
        const auto ok = Reading::Status::Ok;
        // clang-format off
        QTest::newRow("good") << reading(day, "1.234", 1.234, ok, false, "1234 100")
            << QByteArray("2026-12-08T00:00:00.123456Z,7,1.234,1.234,600,ok,0,1234 100\n");
        QTest::newRow("under range has no number") << reading(day, "LO", std::nan(""), Reading::Status::UnderRange, false, "0123 010")
            << QByteArray("2026-12-08T00:00:00.123456Z,7,LO,,600,under-range,0,0123 010\n");
        QTest::newRow("a record with a comma and a quote is quoted") << reading(day, "0.777", 0.777, ok, true, "a,\"d 000")
            << QByteArray("2026-12-08T00:00:00.123456Z,7,0.777,0.777,600,ok,1,\"a,\"\"d 000\"\n");
        QTest::newRow("a quote alone is quoted too") << reading(day, "1.234", 1.234, ok, true, "1\"34 000")
            << QByteArray("2026-12-08T00:00:00.123456Z,7,1.234,1.234,600,ok,1,\"1\"\"34 000\"\n");
        QTest::newRow("a clock before 1970, and a fraction of one digit") << reading(-999999, "1.234", 1.234, ok, false, "1234 100")
            << QByteArray("1969-12-31T23:59:59.000001Z,7,1.234,1.234,600,ok,0,1234 100\n");
        // clang-format on
    }

    void rowFields()
    {
        QFETCH(Reading, reading);
        QFETCH(QByteArray, row);
        QCOMPARE(RecordBook::row(reading), row);
    }

    void newFileAtLocalMidnight()
    {
        QTemporaryDir folder;
        RecordBook book(folder.filePath(u"record"_s)); // made when first needed
        const QDate day(2026, 12, 8);
        const QDateTime lastOfDay(day, QTime(23, 59, 59, 999));
        QVERIFY(book.append(readingAt(1, lastOfDay.addSecs(-1), u"1111 000"_s)));
        QVERIFY(book.append(readingAt(2, lastOfDay, u"2222 000"_s)));
        QVERIFY(book.append(readingAt(3, lastOfDay.addMSecs(1), u"3333 000"_s)));

        const QDir dir(folder.filePath(u"record"_s));
        QCOMPARE(dir.entryList(QDir::Files),
                 (QStringList{u"zav41k-2026-12-08.csv"_s, u"zav41k-2026-12-09.csv"_s}));
        const QList<QByteArray> first =
            contents(dir.filePath(u"zav41k-2026-12-08.csv"_s)).split('\n');
        const QList<QByteArray> second =
            contents(dir.filePath(u"zav41k-2026-12-09.csv"_s)).split('\n');
        QCOMPARE(first.size(), 4); // header, two rows, and nothing after the last line end
        QCOMPARE(first.at(0) + '\n', QByteArray(RecordBook::kHeader));
        QVERIFY(first.at(2).endsWith(",2222 000"));
        QCOMPARE(second.size(), 3);
        QCOMPARE(second.at(0) + '\n', QByteArray(RecordBook::kHeader));
        // The lab's record may be read by the lab, written by its recorder only (umask 022).
        struct stat info {};
        QCOMPARE(
            ::stat(QFile::encodeName(dir.filePath(u"zav41k-2026-12-09.csv"_s)).constData(), &info),
            0);
        QCOMPARE(info.st_mode & 0777, mode_t(0644));
        QVERIFY(second.at(1).startsWith("2026-12-08T23:00:00.000250Z,3,"));
    }

    void appendsAfterARestart()
    {
        QTemporaryDir folder;
        {
            RecordBook book(folder.path());
            QVERIFY(book.append(at(1)));
        }
        RecordBook again(folder.path());
        QVERIFY(again.append(readingAt(1, kNoon.addSecs(5), u"2222 000"_s)));
        const QByteArray text = contents(again.currentFile());
        QCOMPARE(text.count("time,sequence"), 1);
        QCOMPARE(text.count('\n'), 3);
        QVERIFY(text.indexOf("1111 000") < text.indexOf("2222 000"));
    }

    void partRowAtTheEndIsCutOff()
    {
        QTemporaryDir folder;
        const QString path = dayFile(folder.path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray whole = QByteArray(RecordBook::kHeader) + RecordBook::row(at(1));
        file.write(whole + "2026-12-08T11:00:01.0000");
        file.close();

        RecordBook book(folder.path());
        QStringList notices;
        book.notice = [&notices](const QString &text) { notices << text; };
        QVERIFY(book.append(readingAt(2, kNoon.addSecs(1), u"2222 000"_s)));
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices.first().contains(u"part row"_s), qPrintable(notices.first()));
        QCOMPARE(contents(path),
                 whole + RecordBook::row(readingAt(2, kNoon.addSecs(1), u"2222 000"_s)));
    }

    void fileThatIsNoRecordIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("other");
        QTest::addColumn<bool>("linked"); // the file has a second name
        const QByteArray header(RecordBook::kHeader);
        QTest::newRow("no line end at all") << QByteArray(10000, 'x') << false;
        QTest::newRow("the lab's own CSV") << QByteArray("film,dose\nA1,10\n") << false;
        QTest::newRow("binary, ending in a line end") << QByteArray("\x7f"
                                                                    "ELF\0\1\n",
                                                                    7)
                                                      << false;
        QTest::newRow("a header cut short, then more") << header.left(20) + "\n1,2\n" << false;
        QTest::newRow("a record with another name") << header << true;
    }

    void fileThatIsNoRecordIsLeftAlone()
    {
        QFETCH(QByteArray, other);
        QFETCH(bool, linked);
        QTemporaryDir folder;
        const QString path = dayFile(folder.path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(other);
        file.close();
        if (linked)
            QCOMPARE(::link(qPrintable(path), qPrintable(path + ".snapshot")), 0);

        RecordBook book(folder.path());
        const Status status = book.append(at(1));
        QVERIFY(!status);
        QVERIFY2(status.failure().description.contains(path),
                 qPrintable(status.failure().description));
        QCOMPARE(contents(path), other);
    }

    void removedOrReplacedFileIsBegunAnew_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("removed") << "removed";
        QTest::newRow("replaced by a copy") << "copied";
    }

    // Rows never go into a file that no name leads to.
    void removedOrReplacedFileIsBegunAnew()
    {
        QFETCH(QString, change);
        QTemporaryDir folder;
        RecordBook book(folder.path());
        QStringList notices;
        book.notice = [&notices](const QString &text) { notices << text; };
        const Reading first = at(1), second = at(2);
        QVERIFY(book.append(first));
        const QString path = book.currentFile();
        QByteArray expected = RecordBook::kHeader + RecordBook::row(second);
        if (change == "removed"_L1) {
            QVERIFY(QFile::remove(path));
        } else {
            QVERIFY(QFile::copy(path, path + ".new"));
            QVERIFY(::rename(qPrintable(path + ".new"), qPrintable(path)) == 0);
            expected = RecordBook::kHeader + RecordBook::row(first) + RecordBook::row(second);
        }
        QVERIFY(book.append(second));
        QCOMPARE(contents(path), expected);
        QCOMPARE(notices.size(), 1);
        QVERIFY2(notices.first().contains(u"removed or replaced"_s), qPrintable(notices.first()));

        // A folder that went away is not made again: the rows stop, and that is said.
        QVERIFY(QDir(folder.path()).removeRecursively());
        const Status gone = book.append(at(3));
        QVERIFY(!gone);
        QVERIFY(!QFileInfo::exists(folder.path()));
    }

    void fullDiskLeavesNoPartRow()
    {
        QTemporaryDir folder;
        RecordBook book(folder.path());
        QVERIFY(book.append(at(1)));
        const QByteArray before = contents(book.currentFile());
        {
            // Room for part of the next row only.
            FileSizeLimit limit(rlim_t(before.size() + 20));
            const Status status = book.append(at(2));
            QVERIFY(!status);
            QVERIFY2(status.failure().description.contains(book.currentFile()),
                     qPrintable(status.failure().description));
        }
        QCOMPARE(contents(book.currentFile()), before);
        // Once there is room again, the next row follows on a line of its own.
        QVERIFY(book.append(at(3)));
        QCOMPARE(contents(book.currentFile()), before + RecordBook::row(at(3)));
    }
};

QTEST_GUILESS_MAIN(TestRecordBook)
#include "tst_recordbook.moc"
