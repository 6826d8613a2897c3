#include "recordbook.h"

#include "csvfield.h"

#include "common/readingfields.h"
#include "common/readingjson.h"
#include "common/writeall.h"
#include "publish/instancelock.h"
#include "publish/programname.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(const QString &path, const char *what)
{
    return QStringLiteral("%1: cannot %2: %3")
        .arg(path, QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// A field as a CSV column: numbers in the C locale, the time in UTC, texts quoted as needed.
QString csvText(quint64 count)
{
    return QString::number(count);
}
// The one whole number of microseconds in a reading is its time.
QString csvText(qint64 microseconds)
{
    return ReadingJson::utcTime(microseconds);
}
QString csvText(double number)
{
    return std::isfinite(number) ? QString::number(number, 'g', QLocale::FloatingPointShortest)
                                 : QString();
}
QString csvText(quint32 number)
{
    return QString::number(number);
}
QString csvText(Reading::Status status)
{
    return Reading::statusName(status);
}
QString csvText(bool flag)
{
    return flag ? QStringLiteral("1") : QStringLiteral("0");
}
QString csvText(const QString &text)
{
    return csvField(text);
}

// The record's columns, in their order: the heading, or the text of one reading.
template <typename Column> QStringList columns(Column column)
{
    QStringList all;
#define ZAV41K_COLUMN(name, type, member, position, heading)                                       \
    if (position > 0) {                                                                            \
        if (all.size() < position)                                                                 \
            all.resize(position);                                                                  \
        all[position - 1] = column(QStringLiteral(heading), [](const Reading &reading) {           \
            return csvText(reading.member);                                                        \
        });                                                                                        \
    }
    ZAV41K_READING_FIELDS(ZAV41K_COLUMN)
#undef ZAV41K_COLUMN
    return all;
}

} // namespace

const QByteArray RecordBook::kHeader =
    columns([](const QString &heading, auto) { return heading; }).join(u',').toUtf8() + '\n';

RecordBook::RecordBook(QString folder)
    : m_folder(std::move(folder))
{
}

RecordBook::~RecordBook()
{
    close();
}

Status RecordBook::start()
{
    if (m_folder.isEmpty())
        return Failure{0, QStringLiteral("no folder given for the record")};
    if (!QDir().mkpath(m_folder))
        return Failure{0, QStringLiteral("%1: cannot make the folder").arg(m_folder)};
    const QByteArray folder = QFile::encodeName(m_folder);
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return Failure{0, systemError(m_folder, "write into the folder")};
    m_lock = std::make_unique<InstanceLock>(
        QDir(m_folder).filePath(QStringLiteral(".zav41k-record.lock")));
    switch (m_lock->state()) {
    case InstanceLock::State::Held: return {};
    case InstanceLock::State::HeldByAnother: {
        const QString name = programName(m_lock->holder());
        return Failure{0, QStringLiteral("%1: the record is already kept by process %2%3")
                              .arg(m_folder, QString::number(m_lock->holder()),
                                   name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(name))};
    }
    case InstanceLock::State::Unavailable: break;
    }
    return Failure{0, QStringLiteral("cannot lock the record: %1").arg(m_lock->error())};
}

QString RecordBook::fileNameFor(const QDate &day)
{
    return QStringLiteral("zav41k-%1.csv").arg(day.toString(Qt::ISODate));
}

QByteArray RecordBook::row(const Reading &reading)
{
    return columns([&reading](const QString &, auto text) { return text(reading); })
               .join(u',')
               .toUtf8() +
           '\n';
}

Status RecordBook::append(const Reading &reading, const QByteArray &row)
{
    const qint64 ms = reading.time / 1000;
    const QDate day = m_fd >= 0 && ms >= m_dayStart && ms < m_dayEnd
                          ? m_day
                          : QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime).date();
    // A file removed or replaced meanwhile is noticed before the row and after it: a row that
    // went into a file no name leads to is written again into the new one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (m_fd >= 0 && day == m_day && !stillNamed()) {
            if (notice)
                notice(QStringLiteral("%1: the file was removed or replaced; starting a new one")
                           .arg(m_path));
            close();
        }
        if (m_fd < 0 || day != m_day) {
            close();
            const Status opened = open(day);
            if (!opened)
                return opened;
        }
        const off_t before = ::lseek(m_fd, 0, SEEK_END);
        if (!writeAll(m_fd, row)) {
            const Failure failure{0, systemError(m_path, "write a row")};
            // Leaves no part of the row behind, so that the next row starts on a line of its
            // own.
            if (before >= 0 && ::ftruncate(m_fd, before) != 0)
                return Failure{0,
                               failure.description + QStringLiteral(", and cannot take it back")};
            return failure;
        }
        if (stillNamed())
            return {};
    }
    return Failure{0, QStringLiteral("%1: the file keeps being removed or replaced").arg(m_path)};
}

bool RecordBook::stillNamed() const
{
    struct stat named {};
    return ::stat(m_name.constData(), &named) == 0 && named.st_dev == m_device &&
           named.st_ino == m_inode;
}

Status RecordBook::open(const QDate &day)
{
    // The folder is made once, at the start: one removed later (an unmounted drive, say) is
    // not made again somewhere else.
    if (!m_lock) {
        const Status started = start();
        if (!started)
            return started;
    }
    m_path = QDir(m_folder).filePath(fileNameFor(day));
    m_name = QFile::encodeName(m_path);
    m_fd = ::open(m_name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0)
        return Failure{0, systemError(m_path, "open")};
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close();
        return Failure{0, QStringLiteral("%1: not a regular file").arg(m_path)};
    }
    // Another name for the file (a hard link into a copy of the folder) would carry rows
    // where nobody looks for them.
    if (info.st_nlink != 1) {
        close();
        return Failure{
            0, QStringLiteral("%1: has other names (hard links); not written to").arg(m_path)};
    }
    m_day = day;
    // Where the local date changes, as the zone stands now; a zone changed later is followed
    // from the next day's file on.
    m_dayStart = day.startOfDay(Qt::LocalTime).toMSecsSinceEpoch();
    m_dayEnd = day.addDays(1).startOfDay(Qt::LocalTime).toMSecsSinceEpoch();
    m_device = info.st_dev;
    m_inode = info.st_ino;
    const Status adopted = adopt(m_path, info.st_size);
    if (!adopted)
        close();
    return adopted;
}

// Takes an existing file on, when it is a record of its own shape.
Status RecordBook::adopt(const QString &path, qint64 size)
{
    const qint64 headerSize = kHeader.size();
    QByteArray head(int(std::min(size, headerSize)), '\0');
    if (::pread(m_fd, head.data(), head.size(), 0) != head.size())
        return Failure{0, systemError(path, "read")};
    // Empty, or a header cut short by a power cut: nothing of a row in it yet.
    if (size < headerSize && kHeader.startsWith(head)) {
        if (::ftruncate(m_fd, 0) != 0 || !writeAll(m_fd, kHeader))
            return Failure{0, systemError(path, "write")};
        return {};
    }
    if (head != kHeader)
        return Failure{0, QStringLiteral("%1: does not begin with the record's header, so it is "
                                         "no record made here; not written to")
                              .arg(path)};
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return Failure{0, systemError(path, "read")};

    // A file that does not end with a line end lost the end of its last row (a power cut while
    // it was written): that part row is cut off, so that what follows is whole rows again.
    char last = '\n';
    if (::pread(m_fd, &last, 1, info.st_size - 1) != 1)
        return Failure{0, systemError(m_path, "read")};
    if (last != '\n') {
        // Only a row's worth is looked at: a file whose last line is longer is no record of
        // ours, and is left as it is.
        constexpr off_t kLongestRow = 4096;
        off_t keep = info.st_size - 1;
        char c = 0;
        while (keep > 0 && info.st_size - keep < kLongestRow &&
               ::pread(m_fd, &c, 1, keep - 1) == 1 && c != '\n')
            --keep;
        if (keep == 0 || c != '\n') {
            close();
            return Failure{0, QStringLiteral("%1: does not end with a whole row, and is not "
                                             "a record to append to")
                                  .arg(m_path)};
        }
        if (::ftruncate(m_fd, keep) != 0)
            return Failure{0, systemError(m_path, "cut off a part row")};
        if (notice)
            notice(QStringLiteral("%1: cut off a part row at its end (%2 bytes)")
                       .arg(m_path)
                       .arg(info.st_size - keep));
    }
    return {};
}

void RecordBook::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
