#include "recordbook.h"

#include "csvfield.h"

#include "common/readingjson.h"
#include "common/writeall.h"

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

} // namespace

const char RecordBook::kHeader[] =
    "time,sequence,absorbance_shown,absorbance,wavelength_nm,status,damaged,record\n";

RecordBook::RecordBook(QString folder)
    : m_folder(std::move(folder))
{
}

RecordBook::~RecordBook()
{
    close();
}

QString RecordBook::fileNameFor(const QDate &day)
{
    return QStringLiteral("zav41k-%1.csv").arg(day.toString(Qt::ISODate));
}

QByteArray RecordBook::row(const Reading &reading)
{
    const QString absorbance =
        std::isfinite(reading.absorbance)
            ? QString::number(reading.absorbance, 'g', QLocale::FloatingPointShortest)
            : QString();
    const QStringList fields{ReadingJson::utcTime(reading.time),
                             QString::number(reading.sequence),
                             csvField(reading.shown),
                             absorbance,
                             QString::number(reading.wavelength),
                             Reading::statusName(reading.status),
                             reading.damaged ? QStringLiteral("1") : QStringLiteral("0"),
                             csvField(reading.record)};
    return fields.join(u',').toUtf8() + '\n';
}

Status RecordBook::append(const Reading &reading)
{
    const QDate day = QDateTime::fromMSecsSinceEpoch(reading.time / 1000, Qt::LocalTime).date();
    if (m_fd < 0 || day != m_day) {
        close();
        const Status opened = open(day);
        if (!opened)
            return opened;
    }
    const off_t before = ::lseek(m_fd, 0, SEEK_END);
    if (!writeAll(m_fd, row(reading))) {
        const Failure failure{0, systemError(m_path, "write a row")};
        // Leaves no part of the row behind, so that the next row starts on a line of its own.
        if (before >= 0 && ::ftruncate(m_fd, before) != 0)
            return Failure{0, failure.description + QStringLiteral(", and cannot take it back")};
        return failure;
    }
    return {};
}

Status RecordBook::open(const QDate &day)
{
    if (!QDir().mkpath(m_folder))
        return Failure{0, QStringLiteral("%1: cannot make the folder").arg(m_folder)};
    m_path = QDir(m_folder).filePath(fileNameFor(day));
    const QByteArray name = QFile::encodeName(m_path);
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0)
        return Failure{0, systemError(m_path, "open")};
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close();
        return Failure{0, QStringLiteral("%1: not a regular file").arg(m_path)};
    }
    m_day = day;
    if (info.st_size == 0)
        return writeAll(m_fd, kHeader) ? Status()
                                       : Status(Failure{0, systemError(m_path, "write")});

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
