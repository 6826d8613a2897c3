#include "dosimetry/dropfolder.h"
#include "dosimetry/sessioncsv.h"
#include "dosimetry/sessionreport.h"
#include "record/sessionsummary.h"
#include "resources/language.h"

#include "support/labrecord.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// An ended session of `count` dosimeters with doses, reviewed by someone else.
struct ReviewedLab : LabRecord {
    explicit ReviewedLab(int count)
        : LabRecord(1, Dosed)
    {
        for (int i = 0; i < count; ++i)
            QVERIFY(book.addCapture(session, u"D-%1"_s.arg(i, 4, 10, QLatin1Char('0')),
                                    film(0.30 + 0.012 * i, 100 + 10 * quint64(i)), 20.0 + i % 3));
        QVERIFY(book.endSession(session));
        Entry review;
        review.kind = u"signature"_s;
        review.subject = QString::number(session);
        review.user = u"reviewer"_s;
        review.content = QJsonObject{{u"meaning"_s, u"reviewed"_s}};
        QVERIFY(record.append(review));
    }

    SessionSummary summary() { return SessionSummary::of(record, session).value(); }
};

QString pdfText(const QString &pdf, const QStringList &options = {})
{
    QProcess p;
    p.start(u"pdftotext"_s, options + QStringList{u"-layout"_s, pdf, u"-"_s});
    return p.waitForFinished(30000) && p.exitCode() == 0
               ? QString::fromUtf8(p.readAllStandardOutput())
               : u"<pdftotext failed>"_s;
}

} // namespace

class TestSessionOutput : public QObject {
    Q_OBJECT

private slots:
    // Every dosimeter's row as the record has it, over more than one page, with what the doses
    // rest on and who signed, in English and in French.
    void theReportHoldsEveryRow_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("point");
        QTest::newRow("English") << Language::English << "Dosimetry session report"
                                 << ".";
        QTest::newRow("French") << Language::French << "Rapport de séance de dosimétrie"
                                << ",";
    }

    void theReportHoldsEveryRow()
    {
        QFETCH(Language, language);
        QFETCH(QString, title);
        QFETCH(QString, point);
        setCurrentLanguage(language);
        ReviewedLab lab(70);
        const SessionSummary s = lab.summary();
        const QString pdf = lab.dir.filePath(u"report.pdf"_s);
        QVERIFY(SessionReport::write(s, u"Irradiation Lab, Plant 2"_s, pdf));
        setCurrentLanguage(Language::English);
        const QString text = pdfText(pdf);
        for (const QString &needed : {u"Irradiation Lab, Plant 2"_s, title, u"F510"_s,
                                      u"polynomial:1"_s, u"reviewer"_s, u"(SN-7)"_s})
            QVERIFY2(text.contains(needed), qPrintable(needed));
        const QString pages = language == Language::French ? u"Page %1 sur 2"_s : u"Page %1 of 2"_s;
        QVERIFY2(text.contains(pages.arg(1)) && text.contains(pages.arg(2)),
                 qPrintable(text.right(400)));
        // The table goes on over the page, not off it.
        const QString second = pdfText(pdf, {u"-f"_s, u"2"_s});
        QVERIFY(second.contains(u"D-0069"_s) && !second.contains(u"D-0000"_s));
        QCOMPARE(s.results.size(), 70);
        const auto n = [&](double v, int decimals) {
            return QString::number(v, 'f', decimals).replace(u'.', point);
        };
        for (const DosimeterResult &r : s.results) {
            QVERIFY2(r.dose, qPrintable(r.noDose));
            const QString line = QRegularExpression(u"^ *"_s + r.dosimeter + u" .*$"_s,
                                                    QRegularExpression::MultilineOption)
                                     .match(text)
                                     .captured();
            const QStringList got = line.simplified().split(u' ');
            const QStringList want{
                r.dosimeter,      n(r.absorbance, 4), n(r.background, 4),     n(r.thickness, 1),
                n(r.specific, 4), n(*r.dose, 1),      n(r.doseUncertainty, 1)};
            QCOMPARE(got.mid(0, want.size()), want);
        }
    }

    // An importer that takes each file it finds, polling every 10 ms, while a thousand are
    // written: it never finds one that is not whole.
    void anImporterNeverReadsHalfAFile()
    {
        constexpr int kCopies = 10;
        ReviewedLab lab(100);
        // Large enough that writing it takes some of the importer's time.
        const QByteArray whole =
            SessionCsv::text(lab.summary().session, lab.summary().results, lab.summary().captures)
                .repeated(kCopies);
        const QString folder = lab.dir.filePath(u"drop"_s);
        QVERIFY(QDir().mkpath(folder));
        std::atomic<bool> writing{true};
        std::atomic<int> taken{0};
        QStringList bad;
        std::thread importer([&] {
            while (writing || !QDir(folder).entryList({u"*.csv"_s}, QDir::Files).isEmpty()) {
                for (const QString &name : QDir(folder).entryList({u"*.csv"_s}, QDir::Files)) {
                    QFile file(QDir(folder).filePath(name));
                    if (!file.open(QIODevice::ReadOnly))
                        continue;
                    if (file.readAll() != whole)
                        bad << name;
                    file.remove();
                    ++taken;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        QString failure;
        for (int i = 0; i < 1000 && failure.isEmpty(); ++i) {
            const Status placed = DropFolder::place(folder, DropFolder::fileName(i), whole);
            if (!placed)
                failure = placed.failure().description;
        }
        writing = false;
        importer.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(u' ')));
        QCOMPARE(taken.load(), 1000);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 0);
    }

    // A session goes to the drop folder once reviewed, and once only: not again when the
    // importer took the file away, nor over a file of its name.
    void aSessionIsDeliveredOnce()
    {
        LabRecord unreviewed(1, LabRecord::Dosed);
        QVERIFY(unreviewed.book.endSession(unreviewed.session));
        const QString folder = unreviewed.dir.path();
        DropFolder early(unreviewed.record, folder);
        QVERIFY(!early.deliver(SessionSummary::of(unreviewed.record, unreviewed.session).value()));

        ReviewedLab lab(3);
        DropFolder drop(lab.record, lab.dir.path());
        const Outcome<QStringList> first = drop.deliverPending();
        QVERIFY(first);
        QCOMPARE(first.value(), QStringList{lab.dir.filePath(DropFolder::fileName(lab.session))});
        QVERIFY(QFile::remove(first.value().first()));
        QCOMPARE(drop.deliverPending().value(), QStringList());
        QVERIFY(!QFile::exists(first.value().first()));
        QVERIFY(DropFolder::place(lab.dir.path(), u"taken.csv"_s, "a"));
        QVERIFY(!DropFolder::place(lab.dir.path(), u"taken.csv"_s, "b"));
        QFile kept(lab.dir.filePath(u"taken.csv"_s));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), "a");
        QVERIFY(lab.record.verify().value().whole);
    }
};

QTEST_MAIN(TestSessionOutput)
#include "tst_sessionoutput.moc"
