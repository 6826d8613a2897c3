#pragma once

#include "common/outcome.h"
#include "common/reading.h"

#include <QDate>
#include <QString>

#include <functional>
#include <memory>

#include <sys/types.h>

class InstanceLock;

// The lab's record of readings: one CSV file a day in a folder (zav41k-YYYY-MM-DD.csv, by the
// local date of each reading), a header, then one row per reading. A row is written whole, in
// one write, before the next is taken, so that a program killed at any moment leaves only
// whole rows; a later run appends to the day's file. One record book at a time keeps a folder,
// and it writes only into files it made: a file that is not a record of its own shape, or that
// has another name elsewhere, is left alone.
class RecordBook {
public:
    static const QByteArray kHeader;

    explicit RecordBook(QString folder);
    ~RecordBook();
    RecordBook(const RecordBook &) = delete;
    RecordBook &operator=(const RecordBook &) = delete;

    // Takes the folder, before any reading: it is made if missing, must be writable, and no
    // other record book may keep it.
    Status start();
    // Writes the reading's row, into a new file when its day has begun, or when the day's file
    // was removed or replaced meanwhile: a row counts as written only once it is in the file
    // that the day's name leads to. The failure names the file and what went wrong; nothing
    // of the row is left in the file then.
    Status append(const Reading &reading) { return append(reading, row(reading)); }
    // The same with the reading's row made already.
    Status append(const Reading &reading, const QByteArray &row);

    // The row of a reading, with its line end.
    static QByteArray row(const Reading &reading);
    static QString fileNameFor(const QDate &day);
    QString currentFile() const { return m_path; }

    // Said on standard error, when a file had to be mended on opening or begun anew.
    std::function<void(const QString &)> notice;

private:
    Status open(const QDate &day);
    Status adopt(const QString &path, qint64 size);
    // Whether the day's name still leads to the open file.
    bool stillNamed() const;
    void close();

    QString m_folder;
    std::unique_ptr<InstanceLock> m_lock;
    QDate m_day;
    // The open file's day as times since the epoch (ms), start included, end not: a reading
    // inside it needs no time zone look-up.
    qint64 m_dayStart = 0;
    qint64 m_dayEnd = 0;
    QString m_path;
    QByteArray m_name; // m_path as the system names it
    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
