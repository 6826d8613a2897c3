#include "link/recordframer.h"

#include <QTest>

class TestRecordFramer : public QObject {
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void unfinishedRecordNeverExceedsTen();
};

// Fragments are separated by "|", the receive events that deliver them; records come out
// separated by "|" too.
void TestRecordFramer::framing_data()
{
    // clang-format off
    QTest::addColumn<QString>("fragments");
    QTest::addColumn<QString>("records");
    QTest::addColumn<int>("dropped");

    QTest::newRow("one record, CR LF") << "1234 000\r\n" << "1234 000" << 0;
    QTest::newRow("one byte at a time")
        << "1|2|3|4| |0|0|0|\r|\n" << "1234 000" << 0;
    QTest::newRow("split across events") << "1234 0|00\r\n" << "1234 000" << 0;
    QTest::newRow("CR only") << "1234 000\r0500 100\r" << "1234 000|0500 100" << 0;
    QTest::newRow("LF only") << "1234 000\n0500 100\n" << "1234 000|0500 100" << 0;
    QTest::newRow("two records in one event") << "1234 000\r\n0500 100\r\n"
                                              << "1234 000|0500 100" << 0;
    QTest::newRow("ten characters without a line end")
        << "1234 00012|34 000\r\n" << "1234 00012" << 1;
    QTest::newRow("ten characters then its line end")
        << "1234 00012\r\n" << "1234 00012" << 0;
    QTest::newRow("nine characters") << "1234 0001\r\n" << "1234 0001" << 0;
    QTest::newRow("seven characters dropped") << "1234 00\r\n" << "" << 1;
    QTest::newRow("tail of a record the program joined late")
        << "4 000\r\n1234 000\r\n" << "1234 000" << 1;
    QTest::newRow("empty lines") << "\r\n\r\n\n\r" << "" << 0;
    QTest::newRow("long garbage is cut into tens")
        << "abcdefghijklmnopqrstuvwxyz\r\n" << "abcdefghij|klmnopqrst" << 1;
    QTest::newRow("record at the end still waits") << "1234 000" << "" << 0;
    // clang-format on
}

void TestRecordFramer::framing()
{
    QFETCH(QString, fragments);
    QFETCH(QString, records);
    QFETCH(int, dropped);

    RecordFramer framer;
    QStringList taken;
    for (const QString &fragment : fragments.split(u'|')) {
        framer.append(fragment);
        while (const std::optional<QString> record = framer.takeRecord())
            taken.append(*record);
    }
    QCOMPARE(taken.join(u'|'), records);
    QCOMPARE(int(framer.droppedPieces()), dropped);
}

void TestRecordFramer::unfinishedRecordNeverExceedsTen()
{
    RecordFramer framer;
    for (int i = 0; i < 1000; ++i) {
        framer.append(QStringLiteral("x"));
        QVERIFY(framer.pending().size() < RecordFramer::kMaxRecordLength);
    }
}

QTEST_GUILESS_MAIN(TestRecordFramer)
#include "tst_recordframer.moc"
