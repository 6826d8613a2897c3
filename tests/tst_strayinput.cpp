#include "support/linkprocess.h"
#include "support/programprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// "whole", "damaged" or "dropped" a reading, runs of the same as "damaged x100".
QString verdicts(const QList<QJsonObject> &readings)
{
    QStringList runs;
    QString last;
    int count = 0;
    auto flush = [&] {
        if (count)
            runs << (count == 1 ? last : u"%1 x%2"_s.arg(last).arg(count));
    };
    for (const QJsonObject &reading : readings) {
        const QString verdict = reading.value(u"status"_s) == "dropped"_L1 ? u"dropped"_s
                                : reading.value(u"damaged"_s).toBool()     ? u"damaged"_s
                                                                           : u"whole"_s;
        // A reading without a number cannot be counted as a measurement.
        if (verdict != "whole"_L1 && !reading.value(u"absorbance"_s).isNull())
            return u"a %1 reading with a number"_s.arg(verdict);
        if (verdict != last)
            flush(), last = verdict, count = 0;
        ++count;
    }
    flush();
    return runs.join(u' ');
}

} // namespace

// What linked programs receive through the real program when the line carries what the reader
// never sends: each piece is a reading that says so, never a whole one.
class TestStrayInput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: run the tests through scripts/test, which starts one");
    }

    void neverWhole_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("verdicts");
        QTest::addColumn<QString>("record"); // of the first reading

        const QByteArray digits = QByteArray("1234").repeated(250);
        // clang-format off
        QTest::newRow("a good record") << "C" << QByteArray("1234 000") << "whole" << "1234 000";
        QTest::newRow("ten characters, then the line end") << "C" << QByteArray("-123 10012") << "whole" << "-123 10012";
        QTest::newRow("a NUL byte") << "C" << QByteArray("1234\0" "000", 8) << "damaged" << QString::fromLatin1("1234\0" "000", 8);
        QTest::newRow("digits without line ends") << "C" << digits << "damaged x100" << "1234123412";
        QTest::newRow("records without line ends") << "C" << QByteArray("1234 0001234 0001234 000") << "damaged x2 dropped" << "1234 00012";
        QTest::newRow("an overlong line ends like a record") << "C" << QByteArray("xx1234 0001234 000") << "damaged x2" << "xx1234 000";
        QTest::newRow("a decimal point in the count") << "C" << QByteArray("1.23 000") << "damaged" << "1.23 000";
        QTest::newRow("a decimal comma in the count") << "C" << QByteArray("1,23 000") << "damaged" << "1,23 000";
        QTest::newRow("a count with a sign") << "C" << QByteArray("+123 000") << "damaged" << "+123 000";
        QTest::newRow("a count with a blank") << "C" << QByteArray(" 123 000") << "damaged" << " 123 000";
        QTest::newRow("a letter in the count") << "C" << QByteArray("12x4 100") << "damaged" << "12x4 100";
        QTest::newRow("no blank at position 5") << "C" << QByteArray("1234x000") << "damaged" << "1234x000";
        QTest::newRow("seven characters") << "C" << QByteArray("1234 00") << "dropped" << "1234 00";
        QTest::newRow("a stray CR") << "C" << QByteArray("1234 0\r00") << "dropped x2" << "1234 0";
        QTest::newRow("a decimal point in French") << "fr_FR.UTF-8" << QByteArray("1.23 000") << "damaged" << "1.23 000";
        QTest::newRow("a decimal comma in French") << "fr_FR.UTF-8" << QByteArray("1,23 000") << "damaged" << "1,23 000";
        QTest::newRow("a good record in French") << "fr_FR.UTF-8" << QByteArray("0500 100") << "whole" << "0500 100";
        // clang-format on
    }

    void neverWhole()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, verdicts);
        QFETCH(QString, record);
        Source *source = sourceIn(locale);
        QVERIFY2(source, "the program and its followers are up");
        const QList<QJsonObject> readings = readingsOf(*source, bytes);
        QCOMPARE(::verdicts(readings), verdicts);
        QCOMPARE(readings.first().value(u"record"_s).toString(), record);
    }

    void linesShowControlCharactersEscaped()
    {
        Source *source = sourceIn(u"C"_s);
        QVERIFY2(source, "the program and its followers are up");
        // A tab, an escape, DEL and a C1 control, a backslash.
        const QByteArray bytes("1\t34 \x1b\x7f\x9b\\");
        QCOMPARE(readingsOf(*source, bytes).size(), 1);
        // The same reading as a line: the time stamp, then seven fields, the record last.
        QTRY_VERIFY(!source->lines.lines().filter(u"\t1\\t34"_s).isEmpty());
        const QString line = source->lines.lines().filter(u"\t1\\t34"_s).first();
        QCOMPARE(line.count(u'\t'), 6);
        QCOMPARE(line.section(u'\t', 6), u"1\\t34 \\x1b\\x7f\\x9b\\\\"_s);
    }

private:
    struct Source {
        ProgramProcess program;
        LinkProcess json{{"readings", "--json"}};
        LinkProcess lines{{"readings"}};
    };
    // The program in this numeric locale with its followers, started when the locale changes.
    Source *sourceIn(const QString &locale);
    // Sends the bytes and a line end, then a record of its own: the readings in between.

    QList<QJsonObject> readingsOf(Source &source, const QByteArray &bytes)
    {
        const QByteArray mark = '-' + QByteArray::number(++m_mark).rightJustified(3, '0') + " 000";
        source.program.send(bytes + "\r\n" + mark + "\r\n");
        const QString markRecord = QString::fromLatin1(mark);
        QList<QJsonObject> readings;
        bool before = true; // still among the previous test's readings
        const bool seen = QTest::qWaitFor(
            [&] {
                readings.clear();
                before = true;
                for (const QString &line : source.json.lines()) {
                    const QJsonObject reading = QJsonDocument::fromJson(line.toUtf8()).object();
                    const QString record = reading.value(u"record"_s).toString();
                    if (reading.value(u"status"_s) == "no-data"_L1)
                        continue;
                    if (record == markRecord)
                        return true;
                    if (QRegularExpression(u"^(0001|-[0-9]{3}) 000$"_s).match(record).hasMatch()) {
                        readings.clear();
                        before = false;
                    } else if (!before) {
                        readings << reading;
                    }
                }
                return false;
            },
            20000);
        if (!seen)
            qWarning("the mark %s did not come", mark.constData());
        return readings;
    }

    std::unique_ptr<Source> m_source;
    QString m_locale;
    int m_mark = 0; // -001 000, -002 000, ...
};

TestStrayInput::Source *TestStrayInput::sourceIn(const QString &locale)
{
    if (m_source && m_locale == locale)
        return m_source.get();
    m_source = std::make_unique<Source>();
    m_locale = locale;
    QProcessEnvironment environment;
    environment.insert(u"LC_ALL"_s, locale);
    Source &source = *m_source;
    // Until the program is up and both followers have its readings.
    const bool up =
        source.program.start(environment) && QTest::qWaitFor(
                                                 [&] {
                                                     source.program.send("0001 000\r\n");
                                                     QTest::qWait(100);
                                                     return !source.json.lines().isEmpty() &&
                                                            !source.lines.lines().isEmpty();
                                                 },
                                                 15000);
    return up ? m_source.get() : nullptr;
}

QTEST_GUILESS_MAIN(TestStrayInput)
#include "tst_strayinput.moc"
