#include "support/fakecommcontrol.h"
#include "support/readerharness.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Fixture = ReaderHarness<FakeCommControl>;

class TestReceiveHandler : public QObject {
    Q_OBJECT

private slots:
    void readsAtMostInputLen()
    {
        Fixture f;
        f.comm.receive("1234 000\r\n0500 100\r\n");
        QCOMPARE(f.comm.waiting, QByteArray("0500 100\r\n"));
        QCOMPARE(f.absorbances(), QStringList{u"1.234"_s});
        f.comm.receive({});
        QCOMPARE(f.absorbances(), (QStringList{u"1.234"_s, u"0.500"_s}));
    }

    // Rows: the event, the answer given to its alert, the language, and what follows: the
    // alert's text and title, then whether the port stays open.
    void lineErrors_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("outcome");
        const int ok = Prompter::Ok, cancel = Prompter::Cancel;
        // clang-format off
        QTest::newRow("overrun, OK") << 1006 << ok << "en" << "Overrun Error | Click Cancel to Quit, OK to ignore, open";
        QTest::newRow("overrun, Cancel") << 1006 << cancel << "en" << "Overrun Error | Click Cancel to Quit, OK to ignore, closed";
        QTest::newRow("overflow") << 1008 << ok << "en" << "Receive Buffer Overflow | Click Cancel to Quit, OK to ignore, open";
        QTest::newRow("parity") << 1009 << cancel << "en" << "Parity Error | Click Cancel to Quit, OK to ignore, closed";
        QTest::newRow("parity in French") << 1009 << ok << "fr" << "Erreur de Paritee | Is this used?, open";
        QTest::newRow("overrun in French") << 1006 << cancel << "fr" << "Erreur de overrun | Is this used?, closed";
        QTest::newRow("framing: no alert") << int(CommEventCode::Framing) << cancel << "en" << "open";
        QTest::newRow("unknown: no alert") << 4242 << cancel << "en" << "open";
        // clang-format on
    }

    void lineErrors()
    {
        QFETCH(int, code);
        QFETCH(int, answer);
        QFETCH(QString, language);
        QFETCH(QString, outcome);
        Fixture f;
        setCurrentLanguage(language == u"fr"_s ? Language::French : Language::English);
        f.prompter.answers.enqueue(answer);
        f.comm.raise(static_cast<qint16>(code));
        QString got;
        for (const ScriptedPrompter::Shown &box : f.prompter.shown) {
            got += box.text + u" | "_s + box.title + u", "_s;
            QCOMPARE(box.buttons, Prompter::Buttons::OkCancel);
            QCOMPARE(box.icon, Prompter::Icon::None);
            QCOMPARE(int(f.reader.receiveHandler().AlertResponse()), answer);
        }
        QCOMPARE(got + (f.comm.PortOpen().value() ? u"open"_s : u"closed"_s), outcome);
        QCOMPARE(f.prompter.beeps, int(f.prompter.shown.size()));
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
