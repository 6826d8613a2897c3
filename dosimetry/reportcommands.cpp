// The commands that hand a session on: its report, the drop folder, and the station's settings.

#include "command.h"
#include "dropfolder.h"
#include "sessionreport.h"
#include "stationsettings.h"

#include "record/sessionsummary.h"

int Command::report()
{
    if (!takes(1, {"session", "pdf"}) || !required({"session", "pdf"}))
        return 2;
    const std::optional<qint64> session = id(value("session"), "a session");
    if (!session || !openRecord())
        return session ? 1 : 2;
    const Outcome<SessionSummary> summary = SessionSummary::of(*m_record, *session);
    if (!summary)
        return failed(summary.failure().description);
    const Status written = SessionReport::write(
        summary.value(), StationSettings::value(StationSettings::kHeading), value("pdf"));
    if (!written)
        return failed(written.failure().description);
    m_out << "session " << *session << " reported in " << value("pdf") << Qt::endl;
    return 0;
}

int Command::deliver()
{
    if (!takes(1, {}))
        return 2;
    const QString folder = StationSettings::value(StationSettings::kDropFolder);
    if (folder.isEmpty())
        return failed(QStringLiteral("No drop folder is set (zav41k-dosimetry settings set "
                                     "drop-folder FOLDER)"));
    if (!openRecord())
        return 1;
    const Outcome<QStringList> written = DropFolder(*m_record, folder).deliverPending();
    if (!written)
        return failed(written.failure().description);
    for (const QString &path : written.value())
        m_out << path << Qt::endl;
    return 0;
}

int Command::deliverReviewed(qint64 session)
{
    const QString folder = StationSettings::value(StationSettings::kDropFolder);
    if (folder.isEmpty())
        return 0;
    const Outcome<SessionSummary> summary = SessionSummary::of(*m_record, session);
    const Outcome<QString> written = summary
                                         ? DropFolder(*m_record, folder).deliver(summary.value())
                                         : Outcome<QString>(summary.failure());
    if (!written)
        return failed(written.failure().description +
                      QStringLiteral("; the review is kept, and zav41k-dosimetry deliver "
                                     "writes it later"));
    if (!written.value().isEmpty())
        m_out << "written to " << written.value() << Qt::endl;
    return 0;
}

int Command::settings()
{
    if (m_words.size() == 1) {
        if (!takes(1, {}))
            return 2;
        for (const QString &key : StationSettings::keys())
            m_out << key << '=' << StationSettings::value(key) << Qt::endl;
        return 0;
    }
    if (m_words.size() != 4 || m_words.at(1) != QLatin1String("set"))
        return usage(QStringLiteral("settings takes \"set KEY VALUE\" or nothing"));
    if (!takes(4, {}))
        return 2;
    const Status kept = StationSettings::set(m_words.at(2), m_words.at(3));
    return kept ? 0 : failed(kept.failure().description);
}
