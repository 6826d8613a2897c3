#include "support/fakecommcontrol.h"
#include "support/readerharness.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Fixture = ReaderHarness<FakeCommControl>;

class TestReceiveHandler : public QObject {
    Q_OBJECT

private slots:
    void readsOfEightToTenDecode_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("absorbance");
        QTest::newRow("eight") << QByteArray("1234 000") << "";
        QTest::newRow("nine") << QByteArray("1234 0001") << "";
        QTest::newRow("ten") << QByteArray("1234 00012") << "";
        QTest::newRow("eight and a line end") << QByteArray("1234 000\r\n") << "1.234";
        QTest::newRow("nine and CR") << QByteArray("1234 0001\r") << "1.234";
        // clang-format on
    }

    // A record is decoded when its line end arrives, or at ten characters once the next one has
    // come.
    void readsOfEightToTenDecode()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, absorbance);
        Fixture f;
        f.comm.receive(data);
        QCOMPARE(f.absorbances().join(u'|'), absorbance);
        if (absorbance.isEmpty()) {
            f.comm.receive("\r\n");
            QCOMPARE(f.absorbances(), QStringList{u"1.234"_s});
        }
    }

    void readOfSevenIsDropped()
    {
        Fixture f;
        f.comm.receive("1234 00\r\n");
        QVERIFY(f.log.entries.isEmpty());
        QCOMPARE(f.indicators.progress(), 0);
    }

    void recordSplitAcrossEvents()
    {
        Fixture f;
        for (const char c : QByteArray("1234 000\r\n"))
            f.comm.receive(QByteArray(1, c));
        QCOMPARE(f.absorbances(), QStringList{u"1.234"_s});
        QCOMPARE(f.indicators.text(IndicatorModel::Item::Wavelength), u"510"_s);
        QCOMPARE(f.indicators.progress(), 5);
    }

    void readsAtMostInputLen()
    {
        Fixture f;
        f.comm.receive("1234 000\r\n0500 100\r\n");
        QCOMPARE(f.comm.waiting, QByteArray("0500 100\r\n"));
        QCOMPARE(f.absorbances(), QStringList{u"1.234"_s});
        f.comm.receive({});
        QCOMPARE(f.absorbances(), (QStringList{u"1.234"_s, u"0.500"_s}));
    }

    void lineErrors_data()
    {
        // clang-format off
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");

        QTest::newRow("overrun, OK") << 1006 << int(Prompter::Ok) << "en" << "Overrun Error"
                                     << "Click Cancel to Quit, OK to ignore";
        QTest::newRow("overrun, Cancel") << 1006 << int(Prompter::Cancel) << "en" << "Overrun Error"
                                         << "Click Cancel to Quit, OK to ignore";
        QTest::newRow("overflow") << 1008 << int(Prompter::Ok) << "en" << "Receive Buffer Overflow"
                                  << "Click Cancel to Quit, OK to ignore";
        QTest::newRow("parity") << 1009 << int(Prompter::Cancel) << "en" << "Parity Error"
                                << "Click Cancel to Quit, OK to ignore";
        QTest::newRow("parity in French") << 1009 << int(Prompter::Ok) << "fr" << "Erreur de Paritee"
                                          << "Is this used?";
        QTest::newRow("overrun in French") << 1006 << int(Prompter::Cancel) << "fr"
                                           << "Erreur de overrun" << "Is this used?";
        // clang-format on
    }

    void lineErrors()
    {
        QFETCH(int, code);
        QFETCH(int, answer);
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(QString, title);
        Fixture f;
        setCurrentLanguage(language == u"fr"_s ? Language::French : Language::English);
        f.prompter.answers.enqueue(answer);
        f.comm.raise(static_cast<qint16>(code));

        QCOMPARE(f.prompter.beeps, 1);
        QCOMPARE(f.prompter.shown.size(), 1);
        QCOMPARE(f.prompter.shown.first().text, text);
        QCOMPARE(f.prompter.shown.first().title, title);
        QCOMPARE(f.prompter.shown.first().buttons, Prompter::Buttons::OkCancel);
        QCOMPARE(f.prompter.shown.first().icon, Prompter::Icon::None);
        QCOMPARE(int(f.reader.receiveHandler().AlertResponse()), answer);
        QCOMPARE(f.comm.PortOpen().value(), answer == Prompter::Ok);
    }

    void otherEventsRaiseNoAlert_data()
    {
        // clang-format off
        QTest::addColumn<int>("code");
        QTest::newRow("framing") << int(CommEventCode::Framing);
        QTest::newRow("break") << int(CommEventCode::Break);
        QTest::newRow("carrier detect") << int(CommEventCode::CarrierDetect);
        QTest::newRow("unknown") << 4242;
        // clang-format on
    }

    void otherEventsRaiseNoAlert()
    {
        QFETCH(int, code);
        Fixture f;
        f.comm.raise(static_cast<qint16>(code));
        QCOMPARE(f.prompter.shown.size(), 0);
        QCOMPARE(f.prompter.beeps, 0);
        QVERIFY(f.comm.PortOpen().value());
    }

    void lineErrorReportedOnce()
    {
        Fixture f;
        f.comm.raise(CommEventCode::Overrun);
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY(f.reader.receiveHandler().CommErrorText().isEmpty());
        for (int i = 0; i < 5; ++i)
            f.comm.receive("1234 000\r\n");
        QCOMPARE(f.prompter.shown.size(), 1);
        QCOMPARE(f.prompter.beeps, 1);
        QCOMPARE(f.absorbances().size(), 5);
        // A new error is a new report.
        f.comm.raise(CommEventCode::Parity);
        QCOMPARE(f.prompter.shown.size(), 2);
        QCOMPARE(f.prompter.shown.last().text, u"Parity Error"_s);
    }

    void noAlertOnTopOfAnOpenAlert()
    {
        Fixture f;
        f.prompter.whileOpen = [&] {
            f.comm.raise(CommEventCode::Parity);
            f.comm.raise(CommEventCode::Overrun);
            f.comm.receive("1234 000\r\n");
        };
        f.comm.raise(CommEventCode::Overrun);
        QCOMPARE(f.prompter.mostOpenAtOnce, 1);
        QCOMPARE(f.prompter.shown.size(), 1);
        QCOMPARE(f.absorbances(), QStringList{u"1.234"_s});
    }

    void parityErrorThenRecordStillDecodes()
    {
        Fixture f;
        f.comm.raise(CommEventCode::Parity);
        f.comm.receive("0500 100\r\n");
        QCOMPARE(f.absorbances(), QStringList{u"0.500"_s});
        QCOMPARE(f.indicators.text(IndicatorModel::Item::Wavelength), u"600"_s);
    }

    void nestedReceiveKeepsRecordOrder()
    {
        Fixture f;
        // One read completes a bad record and brings a whole good one; while the bad record's box
        // is open, a third record arrives. The good record of the first read must come before it.
        f.comm.receive("abcd 000");
        f.prompter.whileOpen = [&] {
            f.prompter.whileOpen = nullptr;
            f.comm.receive("0700 000\r\n");
        };
        f.comm.receive("\r0600 000\r");
        // The bad record is shown whole (with the count kept before it) before its box opens; the
        // records that arrive while the box is open follow it in order.
        QCOMPARE(f.absorbances(), (QStringList{u"0.000"_s, u"0.600"_s, u"0.700"_s}));
        QCOMPARE(f.indicators.progress(), 15);
    }

    void garbageStormOpensOneBox()
    {
        Fixture f;
        int arrivals = 0;
        f.prompter.whileOpen = [&] {
            for (; arrivals < 200; ++arrivals)
                f.comm.receive("#$%& !@^\r\n");
            f.comm.raise(CommEventCode::Overrun);
        };
        f.comm.receive("xxxx 000\r\n");
        QCOMPARE(f.prompter.mostOpenAtOnce, 2); // one decoder box, one line-error alert
        QCOMPARE(f.indicators.progress(), (201 * 5) % 100);
    }

    void failingInputIsSurvived()
    {
        Fixture f;
        f.comm.failing.insert(u"Input"_s);
        f.comm.receive("1234 000\r\n");
        QVERIFY(f.log.entries.isEmpty());
        f.comm.failing.clear();
        f.comm.receive({});
        QCOMPARE(f.absorbances(), QStringList{u"1.234"_s});
    }
};

QTEST_GUILESS_MAIN(TestReceiveHandler)
#include "tst_receivehandler.moc"
