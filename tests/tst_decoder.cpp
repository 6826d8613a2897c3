#include "common/indicatormodel.h"
#include "common/readingmodel.h"
#include "link/readingdecoder.h"
#include "link/watchdog.h"
#include "resources/failuretexts.h"
#include "resources/language.h"
#include "support/assignmentlog.h"
#include "support/scriptedprompter.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records are written with "_" for a blank, as they are easier to read that way.
QString record(QString written)
{
    return written.replace(u'_', u' ');
}

struct Fixture {
    explicit Fixture(const QLocale &locale)
        : watchdog(indicators, readings)
        , decoder(indicators, readings, watchdog, prompter, locale)
        , log(indicators)
    {
    }
    IndicatorModel indicators;
    ReadingModel readings;
    Watchdog watchdog;
    ScriptedPrompter prompter;
    ReadingDecoder decoder;
    AssignmentLog log;
};

} // namespace

class TestDecoder : public QObject {
    Q_OBJECT

private slots:
    // Rows: a record decoded before (for the previous count), the record with "_" for a blank,
    // the language and locale, and what follows: the text assignments in order, then whether
    // the error code is shown, the boxes opened and the count kept.
    void decode_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("outcome");
        // clang-format off
        QTest::newRow("good record at 510") << "" << "1234_000" << "en C" << "wavelength=510|absorbance=1.234|errorcode=0 value 1234";
        QTest::newRow("selector 1 is 600") << "" << "0500_100" << "en C" << "wavelength=600|absorbance=0.500|errorcode=0 value 500";
        QTest::newRow("any other selector is 600") << "" << "1234_500" << "en C" << "wavelength=600|absorbance=1.234|errorcode=0 value 1234";
        QTest::newRow("2000 has two decimals") << "" << "2000_000" << "en C" << "wavelength=510|absorbance=2.00|errorcode=0 value 2000";
        QTest::newRow("1999 has three") << "" << "1999_000" << "en C" << "wavelength=510|absorbance=1.999|errorcode=0 value 1999";
        QTest::newRow("half up on the exact quotient") << "" << "2005_000" << "en C" << "wavelength=510|absorbance=2.01|errorcode=0 value 2005";
        QTest::newRow("2675 gives 2.68") << "" << "2675_000" << "en C" << "wavelength=510|absorbance=2.68|errorcode=0 value 2675";
        QTest::newRow("rounding carries") << "" << "9998_000" << "en C" << "wavelength=510|absorbance=10.00|errorcode=0 value 9998";
        QTest::newRow("negative count") << "" << "-012_000" << "en C" << "wavelength=510|absorbance=-0.012|errorcode=0 value -12";
        QTest::newRow("9999 marker shown as is") << "" << "9999_100" << "en C" << "wavelength=600|absorbance=9999|errorcode=0 value 9999";
        QTest::newRow("positions 9 and 10 not examined") << "" << "1234_000xy" << "en C" << "wavelength=510|absorbance=1.234|errorcode=0 value 1234";
        QTest::newRow("flag 2 is no flag") << "" << "1234_022" << "en C" << "wavelength=510|absorbance=1.234|errorcode=0 value 1234";
        QTest::newRow("under range") << "" << "0123_010" << "en C" << "wavelength=510|errorcode=Under Range -- Check Zero|absorbance=LO shown value 123";
        QTest::newRow("under range wins over over range") << "" << "0123_011" << "en C" << "wavelength=510|errorcode=Under Range -- Check Zero|absorbance=LO shown value 123";
        QTest::newRow("over range") << "" << "0123_001" << "en C" << "wavelength=510|errorcode=Over Range -- Check Zero|absorbance=HI shown value 123";
        QTest::newRow("range wins over 9999") << "" << "9999_101" << "en C" << "wavelength=600|errorcode=Over Range -- Check Zero|absorbance=HI shown value 9999";
        QTest::newRow("under range in French") << "" << "0123_010" << "fr C" << "wavelength=510|errorcode=Trop bas -- adjoutez zero|absorbance=LO shown value 123";
        QTest::newRow("over range in French") << "" << "0123_101" << "fr fr_FR" << "wavelength=600|errorcode=Trop Haute - adjoutez zero|absorbance=HI shown value 123";
        QTest::newRow("French comma") << "" << "1234_000" << "fr fr_FR" << "wavelength=510|absorbance=1,234|errorcode=0 value 1234";
        QTest::newRow("German comma, two decimals") << "" << "2345_000" << "en de_DE" << "wavelength=510|absorbance=2,35|errorcode=0 value 2345";
        QTest::newRow("bad count keeps the previous one") << "0777_000" << "abcd_000" << "en C" << "wavelength=510|absorbance=0.777|errorcode=0 boxes 1 value 777";
        QTest::newRow("blank count keeps the previous one") << "2345_000" << "_____000" << "en C" << "wavelength=510|absorbance=2.35|errorcode=0 boxes 1 value 2345";
        QTest::newRow("bad selector gives 510") << "" << "1234_x00" << "en C" << "wavelength=510|absorbance=1.234|errorcode=0 boxes 1 value 1234";
        QTest::newRow("blank under-range flag reads as under range") << "" << "1234_0_0" << "en C" << "wavelength=510|errorcode=Under Range -- Check Zero|absorbance=LO shown boxes 1 value 1234";
        QTest::newRow("blank over-range flag reads as over range") << "" << "1234_00_" << "en C" << "wavelength=510|errorcode=Over Range -- Check Zero|absorbance=HI shown boxes 1 value 1234";
        QTest::newRow("parity mark in the flag") << "" << "1234_0?0" << "en C" << "wavelength=510|errorcode=Under Range -- Check Zero|absorbance=LO shown boxes 1 value 1234";
        QTest::newRow("all garbage: one box per failed step") << "" << "abcd_xyz" << "en C" << "wavelength=510|errorcode=Under Range -- Check Zero|absorbance=LO shown boxes 3 value 0";
        // clang-format on
    }

    void decode()
    {
        QFETCH(QString, before);
        QFETCH(QString, input);
        QFETCH(QString, setting);
        QFETCH(QString, outcome);
        setCurrentLanguage(setting.startsWith(u"fr"_s) ? Language::French : Language::English);
        Fixture f{QLocale(setting.section(u' ', 1))};
        if (!before.isEmpty())
            f.decoder.DecodeReading(record(before));
        f.log.clear();
        f.decoder.DecodeReading(record(input));
        QString got = f.log.texts().join(u'|');
        if (f.indicators.errorcodeVisible())
            got += u" shown"_s;
        if (!f.prompter.shown.isEmpty())
            got += u" boxes %1"_s.arg(f.prompter.shown.size());
        QCOMPARE(got + u" value %1"_s.arg(f.decoder.ReadingValue()), outcome);
        QVERIFY(f.watchdog.isRunning());
        QCOMPARE(f.indicators.progress(), before.isEmpty() ? 5 : 10);
    }

    void watchdogStoppedWhileDecoding()
    {
        Fixture f{QLocale::c()};
        QVERIFY(f.watchdog.isRunning());
        QList<bool> runningAtAssignment;
        QObject::connect(&f.indicators, &IndicatorModel::textAssigned,
                         [&] { runningAtAssignment.append(f.watchdog.isRunning()); });
        bool runningWhileBoxOpen = false;
        f.prompter.whileOpen = [&] { runningWhileBoxOpen = f.watchdog.isRunning(); };
        f.decoder.DecodeReading(record(u"abcd_000"_s));
        QCOMPARE(runningAtAssignment, QList<bool>(3, false));
        // The box comes after the record is decoded, and the interval runs from that moment.
        QVERIFY(runningWhileBoxOpen);
        QVERIFY(f.watchdog.isRunning());
    }

    void failuresComeAfterTheRecord()
    {
        setCurrentLanguage(Language::English);
        Fixture f{QLocale::c()};
        QStringList madeWhenShown;
        f.prompter.whileOpen = [&] { madeWhenShown.append(f.log.texts().join(u'|')); };
        f.decoder.DecodeReading(record(u"abcd_xyz"_s));
        const QString all = QStringLiteral("wavelength=510|errorcode=Under Range -- Check Zero|"
                                           "absorbance=LO");
        QCOMPARE(madeWhenShown, QStringList(3, all));
        QCOMPARE(f.prompter.mostOpenAtOnce, 1);
        // In the order of the record's positions; the description alone, under the program's
        // title, with OK only.
        QStringList texts;
        for (const ScriptedPrompter::Shown &box : f.prompter.shown) {
            texts << box.text;
            QVERIFY(box.buttons == Prompter::Buttons::Ok && box.icon == Prompter::Icon::None);
            QVERIFY(box.title.isEmpty());
        }
        QCOMPARE(texts,
                 (QStringList{FailureTexts::notANumber(u"abcd"_s), FailureTexts::notANumber(u"x"_s),
                              FailureTexts::notANumber(u"y"_s)}));
    }
};

QTEST_GUILESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
