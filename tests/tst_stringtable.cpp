#include "resources/language.h"
#include "resources/stringtable.h"

#include <QHash>
#include <QTest>

class TestStringTable : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void unknownIdsFail_data();
    void unknownIdsFail();
    void lookupFollowsCurrentLanguage();
    void languageFromEnvironment_data();
    void languageFromEnvironment();
};

void TestStringTable::texts_data()
{
    // clang-format off
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("french");

    QTest::newRow("menu File") << 101 << "&File" << "&File";
    QTest::newRow("menu Exit") << 102 << "E&xit" << "&Sortir";
    QTest::newRow("menu Setup") << 103 << "&Setup" << "&Organization";
    QTest::newRow("menu Com Port") << 105 << "&Com Port" << "&COM Port";
    QTest::newRow("menu About") << 106 << "&About" << "&Regarde";
    QTest::newRow("menu Help") << 107 << "&Help" << "&Aide";
    QTest::newRow("under range") << 108 << "Under Range -- Check Zero" << "Trop bas -- adjoutez zero";
    QTest::newRow("over range") << 109 << "Over Range -- Check Zero" << "Trop Haute - adjoutez zero";
    QTest::newRow("no data") << 110 << "Check RS-232 Connection" << "Regardez le connection de RS-232";
    QTest::newRow("about title") << 111 << "ZAV-41K Source DDE Application for Win95"
                                 << "ZAV-41K Application de DDE d'origine";
    QTest::newRow("version") << 112 << "Version" << "Version";
    QTest::newRow("description")
        << 113 << "Receives and interprets data from the ZAV-41K Dosifilm Reader with RS-232 opton."
        << "Recu et traduit l'absorbance du ZAV-41K";
    QTest::newRow("link application, trailing blank")
        << 114 << "DDE Link Application Name: " << "Le Nom d'Application de DDE";
    QTest::newRow("link topic") << 115 << "DDE Link Topic:" << "Le Topique de DDE";
    QTest::newRow("link items") << 116 << "DDE Link Items:" << "Les choses de DDE Link";
    QTest::newRow("OK") << 117 << "&OK" << "&OK";
    QTest::newRow("overrun") << 118 << "Overrun Error" << "Erreur de overrun";
    QTest::newRow("overflow, English in both") << 119 << "Receive Buffer Overflow"
                                               << "Receive Buffer Overflow";
    QTest::newRow("parity") << 120 << "Parity Error" << "Erreur de Paritee";
    QTest::newRow("alert title") << 121 << "Click Cancel to Quit, OK to ignore" << "Is this used?";
    QTest::newRow("Cancel") << 122 << "&Cancel" << "&Annuler";
    QTest::newRow("port prompt") << 123 << "Select the Comm Port Connected to the ZAV-41K"
                                 << "Choisisez le Port de Communication";
    QTest::newRow("about caption") << 124 << "About ZAV41K" << "D'Abord ZAV41K";
    // clang-format on
}

void TestStringTable::texts()
{
    QFETCH(int, id);
    QFETCH(QString, english);
    QFETCH(QString, french);
    const Outcome<QString> inEnglish = StringTable::text(StringId(id), Language::English);
    const Outcome<QString> inFrench = StringTable::text(StringId(id), Language::French);
    QVERIFY(inEnglish.isOk());
    QVERIFY(inFrench.isOk());
    QCOMPARE(inEnglish.value(), english);
    QCOMPARE(inFrench.value(), french);
}

void TestStringTable::unknownIdsFail_data()
{
    // clang-format off
    QTest::addColumn<int>("id");
    QTest::newRow("below the table") << 99;
    QTest::newRow("the gap") << 104;
    QTest::newRow("above the table") << 125;
    QTest::newRow("largest") << 65535;
    // clang-format on
}

void TestStringTable::unknownIdsFail()
{
    QFETCH(int, id);
    setCurrentLanguage(Language::English);
    const Outcome<QString> text = StringTable::text(StringId(id));
    QVERIFY(!text.isOk());
    QCOMPARE(text.failure().code, int(Failure::UnknownString));
    QVERIFY(text.failure().description.contains(QString::number(id)));
}

void TestStringTable::lookupFollowsCurrentLanguage()
{
    setCurrentLanguage(Language::French);
    QCOMPARE(StringTable::text(StringId::UnderRange).value(),
             QStringLiteral("Trop bas -- adjoutez zero"));
    setCurrentLanguage(Language::English);
    QCOMPARE(StringTable::text(StringId::UnderRange).value(),
             QStringLiteral("Under Range -- Check Zero"));
}

void TestStringTable::languageFromEnvironment_data()
{
    // clang-format off
    QTest::addColumn<QString>("environment"); // NAME=value pairs separated by blanks
    QTest::addColumn<bool>("french");

    QTest::newRow("nothing set") << "" << false;
    QTest::newRow("LANG French") << "LANG=fr_FR.UTF-8" << true;
    QTest::newRow("LANG Canadian French") << "LANG=fr_CA.UTF-8" << true;
    QTest::newRow("LANG German") << "LANG=de_DE.UTF-8" << false;
    QTest::newRow("LC_MESSAGES over LANG") << "LANG=en_US.UTF-8 LC_MESSAGES=fr_FR.UTF-8" << true;
    QTest::newRow("LC_ALL over LC_MESSAGES") << "LC_MESSAGES=fr_FR.UTF-8 LC_ALL=en_GB.UTF-8" << false;
    QTest::newRow("LANGUAGE first entry French") << "LANG=en_US.UTF-8 LANGUAGE=fr:en" << true;
    QTest::newRow("LANGUAGE first entry English") << "LANG=fr_FR.UTF-8 LANGUAGE=en:fr" << false;
    QTest::newRow("LANGUAGE ignored under C") << "LANG=C LANGUAGE=fr" << false;
    QTest::newRow("LANGUAGE ignored without a locale") << "LANGUAGE=fr" << false;
    // clang-format on
}

void TestStringTable::languageFromEnvironment()
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

QTEST_GUILESS_MAIN(TestStringTable)
#include "tst_stringtable.moc"
