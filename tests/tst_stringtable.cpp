#include "resources/language.h"
#include "resources/stringtable.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestStringTable : public QObject {
    Q_OBJECT

private slots:
    void unknownIdsFail_data()
    {
        // clang-format off
        QTest::addColumn<int>("id");
        QTest::newRow("below the table") << 99;
        QTest::newRow("above the table") << 125;
        // clang-format on
    }

    void unknownIdsFail()
    {
        QFETCH(int, id);
        setCurrentLanguage(Language::English);
        const Outcome<QString> text = StringTable::text(StringId(id));
        QVERIFY(!text.isOk());
        QCOMPARE(text.failure().code, int(Failure::UnknownString));
        QVERIFY(text.failure().description.contains(QString::number(id)));
    }

    void languageFromEnvironment_data()
    {
        // clang-format off
        QTest::addColumn<QString>("environment"); // NAME=value pairs separated by blanks
        QTest::addColumn<bool>("french");

        QTest::newRow("nothing set") << "" << false;
        QTest::newRow("LANG French") << "LANG=fr_FR.UTF-8" << true;
        QTest::newRow("LANG German") << "LANG=de_DE.UTF-8" << false;
        QTest::newRow("LC_MESSAGES over LANG") << "LANG=en_US.UTF-8 LC_MESSAGES=fr_FR.UTF-8" << true;
        QTest::newRow("LC_ALL over LC_MESSAGES") << "LC_MESSAGES=fr_FR.UTF-8 LC_ALL=en_GB.UTF-8" << false;
        QTest::newRow("LANGUAGE first entry French") << "LANG=en_US.UTF-8 LANGUAGE=fr:en" << true;
        QTest::newRow("LANGUAGE first entry English") << "LANG=fr_FR.UTF-8 LANGUAGE=en:fr" << false;
        QTest::newRow("LANGUAGE ignored under C") << "LANG=C LANGUAGE=fr" << false;
        QTest::newRow("LANGUAGE ignored without a locale") << "LANGUAGE=fr" << false;
        // clang-format on
    }

    void languageFromEnvironment()
    {
        QFETCH(QString, environment);
        QFETCH(bool, french);
        QHash<QByteArray, QByteArray> variables;
        for (const QString &pair : environment.split(u' ', Qt::SkipEmptyParts))
            variables.insert(pair.section(u'=', 0, 0).toLatin1(), pair.section(u'=', 1).toLatin1());
        const Language language =
            ::languageFromEnvironment([&](const char *name) { return variables.value(name); });
        QCOMPARE(language == Language::French, french);
    }
};

QTEST_GUILESS_MAIN(TestStringTable)
#include "tst_stringtable.moc"
