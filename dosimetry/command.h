#pragma once

#include "capturerun.h"

#include "record/dosimetryrecord.h"
#include "record/labbook.h"

#include <QCommandLineParser>
#include <QTextStream>

#include <functional>
#include <optional>

// One run of the command line: the words and options, and the record when the command opens it.
// The commands of each kind are in a file of their own.
class Command {
public:
    Command(const QCommandLineParser &parser, QTextStream &out, QTextStream &err)
        : m_parser(parser)
        , m_words(parser.positionalArguments())
        , m_out(out)
        , m_err(err)
    {
    }

    int run();

private:
    int readerAdd();
    int batchAdd();
    int background();
    int sessionStart();
    int sessionEnd();
    int sessionReview();
    int sessionSignatures();
    int capture();
    int verify();
    int exportCsv();
    int correct();
    int fit();
    int calibrationImport();
    int calibrationFit();
    int calibrationApprove();
    int calibrationFactor();
    int calibrationList();
    int checkAdd();
    int checkRun();
    int checkList();
    int report();
    int deliver();
    int settings();
    // Writes a session just reviewed to the drop folder, when one is set.
    int deliverReviewed(qint64 session);

    // Refuses options the command does not take and a wrong number of words.
    bool takes(int words, std::initializer_list<const char *> options);
    bool required(std::initializer_list<const char *> options);
    QString value(const char *option) const { return m_parser.value(QLatin1String(option)); }
    std::optional<double> positive(const char *option, double otherwise);
    std::optional<int> whole(const char *option, int otherwise, int lowest);
    std::optional<quint32> wavelength();
    bool openRecord(DosimetryRecord::Opening opening = DosimetryRecord::Opening::MakeIfMissing);
    int failed(const QString &description);
    int usage(const QString &why);
    // Follows the readings of ZAV41K and takes films by the rules until the plan is done; what
    // was taken in `taken`. The command's status.
    int followReadings(const CaptureRules &rules, const CaptureRun::Plan &plan,
                       QList<Capture> *taken = nullptr);
    // The session named by the command's third word, the record opened, then `command`.
    int onSession(const std::function<int(qint64)> &command);
    // An entry's id from an option or a word; none (said) when it is not a number.
    std::optional<qint64> id(const QString &text, const char *what);

    const QCommandLineParser &m_parser;
    QStringList m_words;
    QTextStream &m_out;
    QTextStream &m_err;
    std::optional<DosimetryRecord> m_record;
    std::optional<LabBook> m_book;
};
