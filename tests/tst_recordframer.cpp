#include "link/recordframer.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A dropped piece in brackets, a record that is not delimited by line ends followed by "*".
QStringList takeAll(RecordFramer &framer)
{
    QStringList taken;
    while (const std::optional<ReceivedPiece> piece = framer.takePiece()) {
        if (!piece->record)
            taken.append(u'[' + piece->characters + u']');
        else
            taken.append(piece->characters + (piece->delimited ? "" : "*"));
    }
    return taken;
}

} // namespace

class TestRecordFramer : public QObject {
    Q_OBJECT

private slots:
    // Fragments are separated by "|", the receive events that deliver them; pieces come out
    // separated by "|" too.
    void framing_data()
    {
        // clang-format off
        QTest::addColumn<QString>("fragments");
        QTest::addColumn<QString>("pieces");

        QTest::newRow("one record, CR LF") << "1234 000\r\n" << "1234 000";
        QTest::newRow("one byte at a time") << "1|2|3|4| |0|0|0|\r|\n" << "1234 000";
        QTest::newRow("split across events") << "1234 0|00\r\n" << "1234 000";
        QTest::newRow("CR only") << "1234 000\r0500 100\r" << "1234 000|0500 100";
        QTest::newRow("LF only") << "1234 000\n0500 100\n" << "1234 000|0500 100";
        QTest::newRow("two records in one event") << "1234 000\r\n0500 100\r\n"
                                                  << "1234 000|0500 100";
        QTest::newRow("ten characters then its line end") << "1234 00012\r\n" << "1234 00012";
        QTest::newRow("ten, the line end in the next event") << "1234 00012|\r\n" << "1234 00012";
        QTest::newRow("ten wait for the character after them") << "1234 00012" << "";
        QTest::newRow("ten characters without a line end")
            << "1234 00012|34 000\r\n" << "1234 00012*|[34 000]";
        QTest::newRow("nine characters") << "1234 0001\r\n" << "1234 0001";
        QTest::newRow("seven characters dropped") << "1234 00\r\n" << "[1234 00]";
        QTest::newRow("a stray CR splits a record") << "1234 0\r00\r\n" << "[1234 0]|[00]";
        QTest::newRow("tail of a record the program joined late")
            << "4 000\r\n1234 000\r\n" << "[4 000]|1234 000";
        QTest::newRow("empty lines") << "\r\n\r\n\n\r" << "";
        QTest::newRow("long garbage is cut into tens, none delimited")
            << "abcdefghijklmnopqrstuvwxyz\r\n" << "abcdefghij*|klmnopqrst*|[uvwxyz]";
        QTest::newRow("the end of an overlong line is not a record")
            << "xx1234 0001234 000\r\n" << "xx1234 000*|1234 000*";
        QTest::newRow("records without line ends")
            << "1234 0001234 0001234 000" << "1234 00012*|34 0001234*";
        QTest::newRow("record at the end still waits") << "1234 000" << "";
        // clang-format on
    }

    void framing()
    {
        QFETCH(QString, fragments);
        QFETCH(QString, pieces);

        RecordFramer framer;
        QStringList taken;
        for (const QString &fragment : fragments.split(u'|')) {
            framer.append(fragment);
            taken += takeAll(framer);
        }
        QCOMPARE(taken.join(u'|'), pieces);
    }

    void interruptionDropsTheUnfinishedPiece_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("pieces");
        QTest::newRow("short") << "1234"
                               << "[1234]";
        QTest::newRow("nine") << "1234 0001"
                              << "[1234 0001]";
        QTest::newRow("ten") << "1234 00012"
                             << "1234 00012*";
        QTest::newRow("nothing") << ""
                                 << "";
    }

    // The line comes back mid-record: what came before cannot be completed, and what comes after
    // starts a fresh line.
    void interruptionDropsTheUnfinishedPiece()
    {
        QFETCH(QString, before);
        QFETCH(QString, pieces);
        RecordFramer framer;
        framer.append(before);
        framer.discardUnfinished();
        framer.append(u"0500 100\r\n"_s);
        QCOMPARE(takeAll(framer).join(u'|'), pieces.isEmpty() ? "0500 100" : pieces + "|0500 100");
    }
};

QTEST_GUILESS_MAIN(TestRecordFramer)
#include "tst_recordframer.moc"
