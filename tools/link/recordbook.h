#pragma once

#include "common/outcome.h"
#include "common/reading.h"

#include <QDate>
#include <QString>

#include <functional>

// The lab's record of readings: one CSV file a day in a folder (zav41k-YYYY-MM-DD.csv, by the
// local date of each reading), a header, then one row per reading. A row is written whole, in
// one write, before the next is taken, so that a program killed at any moment leaves only
// whole rows; a later run appends to the day's file.
class RecordBook {
public:
    static const char kHeader[];

    explicit RecordBook(QString folder);
    ~RecordBook();
    RecordBook(const RecordBook &) = delete;
    RecordBook &operator=(const RecordBook &) = delete;

    // Writes the reading's row, into a new file when its day has begun. The failure names the
    // file and what went wrong; nothing of the row is left in the file then.
    Status append(const Reading &reading);

    // The row of a reading, with its line end.
    static QByteArray row(const Reading &reading);
    static QString fileNameFor(const QDate &day);
    QString currentFile() const { return m_path; }

    // Said on standard error, when a file had to be mended on opening.
    std::function<void(const QString &)> notice;

private:
    Status open(const QDate &day);
    void close();

    QString m_folder;
    QDate m_day;
    QString m_path;
    int m_fd = -1;
};
