#pragma once

#include "record/dosimetryrecord.h"
#include "record/sessionsummary.h"

#include "common/outcome.h"

#include <QByteArray>
#include <QString>

// Results for the lab's information system: each reviewed session written once into the drop
// folder as one CSV file, whole under a hidden temporary name and then put in place under its
// own, so that an importer never reads half a file. The record keeps that it was written, so
// that a session is never written twice, even after the importer took the file away.
class DropFolder {
public:
    DropFolder(DosimetryRecord &record, QString folder);

    static QString fileName(qint64 session);
    // Writes the reviewed session unless it was before: the file's path, or empty when it was.
    Outcome<QString> deliver(const SessionSummary &summary);
    // Every reviewed session not written yet, in the order reviewed: their paths.
    Outcome<QStringList> deliverPending();

    // The bytes under `name` in `folder`, all or nothing, never over a file already there.
    static Status place(const QString &folder, const QString &name, const QByteArray &bytes);

private:
    DosimetryRecord &m_record;
    QString m_folder;
};
