#include "link/paritymarks.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestParityMarks : public QObject {
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("decoded"); // "data marked breaks"
        // clang-format off
        QTest::newRow("clean") << QByteArray("1234 000\r\n") << QByteArray("1234 000\r\n 0 0");
        QTest::newRow("marked character") << QByteArray("12\xff\x00" "34 000", 10) << QByteArray("12?4 000 1 0");
        QTest::newRow("received 0xFF") << QByteArray("a\xff\xff" "b") << QByteArray("a\xff" "b 0 0");
        QTest::newRow("break") << QByteArray("a\xff\x00\x00" "b", 5) << QByteArray("ab 0 1");
        QTest::newRow("two marks") << QByteArray("\xff\x00" "1\xff\x00" "2", 6) << QByteArray("?? 2 0");
        // clang-format on
    }

    // Every row is also fed one byte at a time: a mark cut between reads must decode the same.
    void decode()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, decoded);
        const auto text = [](const ParityMarkDecoder::Result &r) {
            return r.data + ' ' + QByteArray::number(r.markedCharacters) + ' ' +
                   QByteArray::number(r.breaks);
        };
        QCOMPARE(text(ParityMarkDecoder().decode(raw)), decoded);
        ParityMarkDecoder piecewise;
        ParityMarkDecoder::Result sum;
        for (const char c : raw) {
            const ParityMarkDecoder::Result part = piecewise.decode(QByteArray(1, c));
            sum.data += part.data;
            sum.markedCharacters += part.markedCharacters;
            sum.breaks += part.breaks;
        }
        QCOMPARE(text(sum), decoded);
    }
};

QTEST_GUILESS_MAIN(TestParityMarks)
#include "tst_paritymarks.moc"
