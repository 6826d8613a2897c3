#include "dialogs/frmabout.h"
#include "pictures/programicon.h"
#include "resources/language.h"
#include "ui/fonts.h"

#include <QtTest>
#include <QtWidgets>

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

    void keyboardOrder()
    {
        frmAbout box;
        QVERIFY(box.Form_Load().isOk());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
        QCOMPARE(box.focusWidget(), label(box, "picIcon"));
        QTest::keyClick(box.focusWidget(), Qt::Key_Tab);
        QCOMPARE(box.focusWidget()->objectName(), u"cmdOK"_s);
    }

    void picturesAre32By32In16Colours()
    {
        for (const QPixmap &picture :
             {ProgramIcon::icon().pixmap(32, 32), ProgramIcon::aboutPicture()}) {
            const QImage image = picture.toImage();
            QCOMPARE(image.size(), QSize(32, 32));
            QSet<QRgb> colours;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x)
                    colours.insert(image.pixel(x, y));
            }
            QVERIFY2(colours.size() <= 16, qPrintable(QString::number(colours.size())));
        }
        QVERIFY(ProgramIcon::icon().pixmap(32, 32).toImage() !=
                ProgramIcon::aboutPicture().toImage());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
