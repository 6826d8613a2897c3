#include "link/paritymarks.h"

#include <QTest>

class TestParityMarks : public QObject {
    Q_OBJECT

private slots:
    void decode_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("marked");
        QTest::addColumn<int>("breaks");

        QTest::newRow("clean") << QByteArray("1234 000\r\n") << QByteArray("1234 000\r\n") << 0 << 0;
        QTest::newRow("marked character")
            << QByteArray("12\xff\x00" "34 000", 10) << QByteArray("12?4 000") << 1 << 0;
        QTest::newRow("received 0xFF") << QByteArray("a\xff\xff" "b") << QByteArray("a\xff" "b") << 0 << 0;
        QTest::newRow("break") << QByteArray("a\xff\x00\x00" "b", 5) << QByteArray("ab") << 0 << 1;
        QTest::newRow("two marks") << QByteArray("\xff\x00" "1\xff\x00" "2", 6) << QByteArray("??") << 2 << 0;
        // clang-format on
    }

    // Every row is also fed one byte at a time: a mark cut between reads must decode the same.
    void decode()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, data);
        QFETCH(int, marked);
        QFETCH(int, breaks);

        ParityMarkDecoder whole;
        const ParityMarkDecoder::Result result = whole.decode(raw);
        QCOMPARE(result.data, data);
        QCOMPARE(result.markedCharacters, marked);
        QCOMPARE(result.breaks, breaks);

        ParityMarkDecoder piecewise;
        ParityMarkDecoder::Result sum;
        for (const char c : raw) {
            const ParityMarkDecoder::Result part = piecewise.decode(QByteArray(1, c));
            sum.data += part.data;
            sum.markedCharacters += part.markedCharacters;
            sum.breaks += part.breaks;
        }
        QCOMPARE(sum.data, data);
        QCOMPARE(sum.markedCharacters, marked);
        QCOMPARE(sum.breaks, breaks);
    }
};

QTEST_GUILESS_MAIN(TestParityMarks)
#include "tst_paritymarks.moc"
