#include "dialogs/frmabout.h"
#include "pictures/programicon.h"
#include "resources/language.h"
#include "ui/fonts.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QLabel *label(const QDialog &box, const char *name)
{
    return box.findChild<QLabel *>(QString::fromLatin1(name));
}

} // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installWindowFonts(); }

    void linkNamesAreThePublishedNames()
    {
        setCurrentLanguage(Language::French);
        frmAbout box;
        QVERIFY(box.Form_Load().isOk());
        QStringList names;
        for (const char *name : {"Label3", "Label4", "lblAbs", "lblWL", "lblErr"})
            names << label(box, name)->text();
        QCOMPARE(names, (QStringList{"zav41k", "data", "absorbance", "wavelength", "errorcode"}));
    }

    void keysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }

    void keysClose()
    {
        QFETCH(int, key);
        frmAbout box;
        QVERIFY(box.Form_Load().isOk());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QPushButton *ok = box.findChild<QPushButton *>(u"cmdOK"_s);
        QCOMPARE(box.focusWidget(), ok);
        bool pressed = false;
        connect(ok, &QPushButton::clicked, this, [&] { pressed = true; });
        QTest::keyClick(box.focusWidget(), Qt::Key(key));
        QVERIFY(pressed);
        QVERIFY(!box.isVisible());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
