#include "sessionsummary.h"

#include "calibrationbook.h"
#include "checkbook.h"
#include "labbook.h"

#include <QDateTime>

bool SessionSummary::isReviewed() const
{
    return std::any_of(signatures.cbegin(), signatures.cend(),
                       [](const Signature &s) { return s.meaning == QLatin1String("reviewed"); });
}

Outcome<SessionSummary> SessionSummary::of(DosimetryRecord &record, qint64 session)
{
    const LabBook book(record);
    SessionSummary s;
    const auto taken = [](auto outcome, auto *into) {
        if (outcome)
            *into = outcome.value();
        return outcome.status();
    };
    for (const Status &got :
         {taken(book.session(session), &s.session), taken(book.batch(s.session.batch), &s.batch),
          taken(book.reader(s.session.reader), &s.reader),
          taken(book.captures(session), &s.captures),
          taken(SignatureBook(record).ofSession(session), &s.signatures)}) {
        if (!got)
            return got.failure();
    }
    const QDateTime started = QDateTime::fromString(s.session.started, Qt::ISODate);
    const Outcome<std::optional<DayCheck>> check = CheckBook(record).dayCheck(
        s.session.reader, s.session.wavelength, started, s.reader.checkHours);
    const Outcome<DoseSource> source = book.doseSource(s.session);
    if (!check || !source)
        return (check ? source.failure() : check.failure());
    s.check = check.value();
    s.noDose = source.value().missing;
    if (source.value().calibration) {
        const Outcome<Calibration> c =
            CalibrationBook(record).calibration(source.value().calibration);
        if (!c)
            return c.failure();
        s.calibration = c.value();
    }
    s.results = LabBook::summarise(s.session, s.captures, source.value());
    return s;
}
