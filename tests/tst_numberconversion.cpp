#include "link/numberconversion.h"
#include "resources/language.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace NumberConversion;

class TestNumberConversion : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setCurrentLanguage(Language::English); }

    // A failure is written as "fail:N" with N the failure code.
    void toInt16_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");

        const QString mismatch = u"fail:%1"_s.arg(Failure::TypeMismatch);
        const QString overflow = u"fail:%1"_s.arg(Failure::Overflow);
        QTest::newRow("plain") << "1234" << "C" << "1234";
        QTest::newRow("leading zeros") << "0012" << "C" << "12";
        QTest::newRow("blanks around") << "  42 " << "C" << "42";
        QTest::newRow("minus") << "-12" << "C" << "-12";
        QTest::newRow("plus") << "+12" << "C" << "12";
        QTest::newRow("lowest") << "-32768" << "C" << "-32768";
        QTest::newRow("highest") << "32767" << "C" << "32767";
        QTest::newRow("one above") << "32768" << "C" << overflow;
        QTest::newRow("one below") << "-32769" << "C" << overflow;
        QTest::newRow("many digits") << QString(400, u'9') << "C" << overflow;
        QTest::newRow("half to even, down") << "2.5" << "C" << "2";
        QTest::newRow("half to even, up") << "3.5" << "C" << "4";
        QTest::newRow("above half") << "2.5000001" << "C" << "3";
        QTest::newRow("below half") << "2.4999999999999999999" << "C" << "2";
        QTest::newRow("trailing separator") << "5." << "C" << "5";
        QTest::newRow("rounds into overflow") << "32767.5" << "C" << overflow;
        QTest::newRow("comma locale") << "3,5" << "fr_FR" << "4";
        QTest::newRow("point in comma locale") << "3.5" << "fr_FR" << mismatch;
        QTest::newRow("comma in point locale") << "3,5" << "en_US" << mismatch;
        QTest::newRow("letters") << "abcd" << "C" << mismatch;
        QTest::newRow("empty") << "" << "C" << mismatch;
        QTest::newRow("sign only") << "-" << "C" << mismatch;
        QTest::newRow("inner blank") << "12 34" << "C" << mismatch;
        QTest::newRow("two signs") << "--1" << "C" << mismatch;
        QTest::newRow("exponent") << "1e3" << "C" << mismatch;
        QTest::newRow("non-ASCII digit") << QString::fromUtf8("١٢") << "C" << mismatch;
        QTest::newRow("Latin-1 byte") << QString::fromLatin1("1\xbd") << "C" << mismatch;
        // clang-format on
    }

    void toInt16()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        const Outcome<qint16> result = NumberConversion::toInt16(text, QLocale(locale));
        if (expected.startsWith(u"fail:"_s)) {
            QVERIFY(!result.isOk());
            QCOMPARE(result.failure().code, expected.mid(5).toInt());
            QVERIFY(!result.failure().description.isEmpty());
        } else {
            QVERIFY2(result.isOk(),
                     qPrintable(result.isOk() ? QString() : result.failure().description));
            QCOMPARE(int(result.value()), expected.toInt());
        }
    }

    void toDouble_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("expected");

        QTest::newRow("negative zero equals zero") << "-0" << "C" << true << 0.0;
        QTest::newRow("negative, blanks around") << " -42\t" << "de_DE" << true << -42.0;
        QTest::newRow("nineteen digits") << QString(19, u'9') << "C" << true << 1e19;
        QTest::newRow("sixteen digits, rounded") << "9007199254740993" << "C" << true << 9007199254740992.0;
        QTest::newRow("point without a fraction") << "5." << "C" << true << 5.0;
        QTest::newRow("fraction") << "1.25" << "C" << true << 1.25;
        QTest::newRow("comma locale") << "1,25" << "de_DE" << true << 1.25;
        QTest::newRow("empty") << "" << "C" << false << 0.0;
        QTest::newRow("letter") << "x" << "C" << false << 0.0;
        QTest::newRow("question mark from a parity error") << "?" << "C" << false << 0.0;
        QTest::newRow("huge") << QString(400, u'9') << "C" << false << 0.0;
        QTest::newRow("below the smallest double") << "0." + QString(400, u'0') + u'9' << "C" << true << 0.0;
        QTest::newRow("small but normal") << "0." + QString(299, u'0') + u'9' << "C" << true << 9e-300;
        // clang-format on
    }

    void toDouble()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(bool, ok);
        QFETCH(double, expected);
        const Outcome<double> result = NumberConversion::toDouble(text, QLocale(locale));
        QCOMPARE(result.isOk(), ok);
        if (ok)
            QCOMPARE(result.value(), expected);
    }

    void format_data()
    {
        // clang-format off
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");

        QTest::newRow("three decimals") << 1234 << 3 << "C" << "1.234";
        QTest::newRow("below one") << 500 << 3 << "C" << "0.500";
        QTest::newRow("just below two") << 1999 << 3 << "C" << "1.999";
        QTest::newRow("two decimals") << 2000 << 2 << "C" << "2.00";
        QTest::newRow("half rounds up") << 2005 << 2 << "C" << "2.01";
        QTest::newRow("rounds into next unit") << 2995 << 2 << "C" << "3.00";
        QTest::newRow("highest count") << 32767 << 2 << "C" << "32.77";
        QTest::newRow("negative") << -12 << 3 << "C" << "-0.012";
        QTest::newRow("lowest count") << -32768 << 3 << "C" << "-32.768";
        QTest::newRow("French comma") << 1234 << 3 << "fr_FR" << "1,234";
        QTest::newRow("German comma, two decimals") << 2345 << 2 << "de_DE" << "2,35";
        QTest::newRow("no grouping") << 32767 << 3 << "en_US" << "32.767";
        // clang-format on
    }

    void format()
    {
        QFETCH(int, count);
        QFETCH(int, decimals);
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QCOMPARE(formatThousandths(count, decimals, QLocale(locale)), expected);
    }
};

QTEST_GUILESS_MAIN(TestNumberConversion)
#include "tst_numberconversion.moc"
