#include "settings/settingsfile.h"

#include "common/writeall.h"
#include "resources/failuretexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Failure unreadable(const QString &file, const QString &reason)
{
    return Failure{Failure::SettingsRead, FailureTexts::settingsUnreadable(file, reason)};
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Settings text is UTF-8 or bytes of the user's paths; control characters other than tab and
// the line ends mean that this is some other kind of file.
std::optional<QString> textProblem(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return FailureTexts::settingsUtf16();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F)
            return FailureTexts::settingsBinary();
    }
    return std::nullopt;
}

// Writes `bytes` to a new file beside `target` and renames it over `target`: a reader, a crash
// or a full disk sees the old file or the new one, never a part. The errno of a failure.
std::optional<int> replaceFile(const QString &target, const QByteArray &bytes)
{
    const QByteArray path = QFile::encodeName(target);
    QByteArray temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat old {};
    const mode_t mode = ::stat(path.constData(), &old) == 0 ? (old.st_mode & 07777) : 0600;
    bool done = ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = done ? 0 : errno;
    if (::close(fd) != 0 && done) {
        done = false;
        error = errno;
    }
    if (done && ::rename(temporary.constData(), path.constData()) != 0) {
        done = false;
        error = errno;
    }
    if (!done) {
        ::unlink(temporary.constData());
        return error;
    }
    // The rename itself lasts once the folder is on disk.
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return std::nullopt;
}

} // namespace

namespace SettingsFile {

Outcome<IniDocument> load(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        const int error = errno;
        // No file is a first start; a link that leads nowhere is the user's file gone
        // missing, and a new one written in its place would hide that.
        struct stat link {};
        if (error == ENOENT && ::lstat(name.constData(), &link) != 0)
            return IniDocument();
        return unreadable(file, errnoText(error));
    }
    if (!S_ISREG(info.st_mode))
        return unreadable(file, FailureTexts::settingsNotRegular());
    // Non-blocking, in case a FIFO took the file's place since the check.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return unreadable(file, errnoText(errno));
    QByteArray bytes;
    QString problem;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = FailureTexts::settingsNotRegular();
    } else if (info.st_size > kMaxSize) {
        problem = FailureTexts::settingsTooLarge(kMaxSize);
    } else {
        char chunk[4096];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                problem = errnoText(errno);
                break;
            }
            if (got == 0)
                break;
            bytes.append(chunk, got);
            if (bytes.size() > kMaxSize) {
                problem = FailureTexts::settingsTooLarge(kMaxSize);
                break;
            }
        }
    }
    ::close(fd);
    if (problem.isEmpty())
        problem = textProblem(bytes).value_or(QString());
    if (!problem.isEmpty())
        return unreadable(file, problem);
    return IniDocument(std::move(bytes));
}

Status store(const QString &file, const QByteArray &group, const QByteArray &key,
             const QByteArray &value)
{
    // A file that cannot be read is not replaced: what the user wrote in it would be lost.
    const Outcome<IniDocument> current = load(file);
    if (!current)
        return current.failure();
    const QByteArray bytes = current.value().withValue(group, key, value).bytes();

    // A link stays a link: the file it points to is the one replaced.
    const QFileInfo info(file);
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : file;
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        return Failure{Failure::SettingsWrite, FailureTexts::settingsNotWritten(
                                                   file, FailureTexts::folderNotCreated(folder))};
    const std::optional<int> error = replaceFile(target, bytes);
    if (error)
        return Failure{Failure::SettingsWrite,
                       FailureTexts::settingsNotWritten(file, errnoText(*error))};
    return {};
}

} // namespace SettingsFile
