#include "dialogs/frmabout.h"
#include "pictures/programicon.h"
#include "resources/language.h"
#include "ui/fonts.h"

#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QLabel *label(const QDialog &box, const char *name)
{
    return box.findChild<QLabel *>(QString::fromLatin1(name));
}

// Every label's text and place, to compare two openings.
QStringList contents(const QDialog &box)
{
    QStringList all{box.windowTitle()};
    for (const QLabel *l : box.findChildren<QLabel *>()) {
        const QRect r = l->geometry();
        all.append(u"%1=%2@%3,%4"_s.arg(l->objectName(), l->text()).arg(r.x()).arg(r.y()));
    }
    return all;
}

} // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installWindowFonts(); }

    void texts_data()
    {
        // clang-format off
        QTest::addColumn<bool>("french");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("items");
        QTest::newRow("English") << false << "About ZAV41K" << "ZAV-41K Source DDE Application for Win95"
                                 << "DDE Link Application Name: " << "DDE Link Items:";
        QTest::newRow("French") << true << "D'Abord ZAV41K" << "ZAV-41K Application de DDE d'origine"
                                << "Le Nom d'Application de DDE" << "Les choses de DDE Link";
        // clang-format on
    }

    void texts()
    {
        QFETCH(bool, french);
        QFETCH(QString, caption);
        QFETCH(QString, title);
        QFETCH(QString, application);
        QFETCH(QString, items);
        setCurrentLanguage(french ? Language::French : Language::English);
        frmAbout box;
        QCOMPARE(box.windowTitle(), u"About ZAV-41K"_s); // before loading
        QVERIFY(box.Form_Load().isOk());
        QCOMPARE(box.windowTitle(), caption);
        QCOMPARE(label(box, "lblVersion")->text(), u"Version 1.0"_s);
        QCOMPARE(label(box, "lblTitle")->text(), title);
        QCOMPARE(label(box, "lblLinkApp")->text(), application);
        QCOMPARE(label(box, "lblLinkItems")->text(), items);
        QVERIFY(!label(box, "lblDescription")->text().isEmpty());
        QCOMPARE(box.findChild<QPushButton *>(u"cmdOK"_s)->text(), u"&OK"_s);
        QVERIFY(label(box, "lblLinkApp")->alignment() & Qt::AlignRight);
        QCOMPARE(QFontInfo(label(box, "lblTitle")->font()).family(), u"Liberation Sans"_s);
        QVERIFY(!box.windowIcon().isNull());
    }

    void linkNamesAreThePublishedNames()
    {
        setCurrentLanguage(Language::French);
        frmAbout box;
        QVERIFY(box.Form_Load().isOk());
        QCOMPARE(label(box, "Label3")->text(), u"zav41k"_s);
        QCOMPARE(label(box, "Label4")->text(), u"data"_s);
        QCOMPARE(label(box, "lblAbs")->text(), u"absorbance"_s);
        QCOMPARE(label(box, "lblWL")->text(), u"wavelength"_s);
        QCOMPARE(label(box, "lblErr")->text(), u"errorcode"_s);
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

    void secondOpeningIsTheSame()
    {
        setCurrentLanguage(Language::English);
        QStringList first;
        {
            frmAbout box;
            QVERIFY(box.Form_Load().isOk());
            first = contents(box);
        }
        frmAbout again;
        QVERIFY(again.Form_Load().isOk());
        QCOMPARE(contents(again), first);
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
