#include "readingsclient.h"

#include "common/readingjson.h"
#include "publish/busowner.h"
#include "tsvfield.h"

#include <cmath>

ReadingsClient::ReadingsClient(QDBusConnection connection, QTextStream &out, QTextStream &err)
    : m_follower(std::move(connection))
    , m_out(out)
    , m_err(err)
{
}

bool ReadingsClient::follow(Output output, RecordBook *book)
{
    m_output = output;
    m_book = book;
    if (output == Output::Record) {
        m_book->notice = [this](const QString &text) {
            m_err << "zav41k-link: " << text << Qt::endl;
        };
    }
    connect(&m_follower, &ReadingFollower::sourceOwnedByAnother, this,
            [this](qint64 pid, const QString &program) {
                m_err << "zav41k-link: "
                      << BusOwner{pid, program}.notTheProgram(QStringLiteral("zav41k.Source"))
                      << Qt::endl;
            });
    if (!m_follower.follow()) {
        m_err << "zav41k-link: cannot subscribe: " << m_follower.lastError() << Qt::endl;
        return false;
    }
    connect(&m_follower, &ReadingFollower::received, this, &ReadingsClient::take);
    connect(&m_follower, &ReadingFollower::refused, this,
            [this](const QString &why) { m_err << "zav41k-link: ignored " << why << Qt::endl; });
    connect(&m_follower, &ReadingFollower::sourceRunningChanged, this, [this](bool running) {
        m_err << "zav41k-link: the source "
              << (running ? "is running" : "has stopped; waiting for it") << Qt::endl;
    });
    m_err << "zav41k-link: "
          << (m_follower.isSourceRunning() ? "the source is running"
                                           : "waiting for the source to start")
          << Qt::endl;
    return true;
}

void ReadingsClient::rebind(const QDBusConnection &connection)
{
    if (!m_follower.rebind(connection))
        m_err << "zav41k-link: cannot subscribe again: " << m_follower.lastError() << Qt::endl;
}

QString ReadingsClient::line(const Reading &reading)
{
    const QString absorbance =
        std::isfinite(reading.absorbance)
            ? QString::number(reading.absorbance, 'g', QLocale::FloatingPointShortest)
            : QStringLiteral("-");
    return QStringList{ReadingJson::utcTime(reading.time),
                       QString::number(reading.sequence),
                       reading.shown,
                       absorbance,
                       QString::number(reading.wavelength),
                       Reading::statusName(reading.status),
                       reading.damaged ? QStringLiteral("damaged") : QStringLiteral("whole"),
                       tsvField(reading.record)}
        .join(u'\t');
}

void ReadingsClient::take(const Reading &reading)
{
    switch (m_output) {
    case Output::Lines: m_out << line(reading) << Qt::endl; break;
    case Output::Json: m_out << ReadingJson::object(reading) << Qt::endl; break;
    case Output::Record: {
        const QByteArray row = RecordBook::row(reading);
        const Status written = m_book->append(reading, row);
        if (!written) {
            m_err << "zav41k-link: " << written.failure().description << Qt::endl;
            emit failed();
            return;
        }
        // Said only once the row is in the file.
        m_out << row << Qt::flush;
        break;
    }
    }
    // Readings printed to nowhere (a full disk) are lost: said, and the client ends.
    if (m_output != Output::Record && m_out.status() != QTextStream::Ok) {
        m_err << "zav41k-link: cannot write the readings to the standard output" << Qt::endl;
        emit failed();
    }
}
