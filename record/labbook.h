#pragma once

#include "dosimetryrecord.h"
#include "labitems.h"

#include "capture/capture.h"
#include "common/outcome.h"

#include <optional>

// The lab's readers, batches, backgrounds, sessions and captures, each kept as entries of the
// record. Refuses what a lab must not record: a second reader or batch of a name, a thickness
// of zero or less, a capture in a session that ended.
class LabBook {
public:
    explicit LabBook(DosimetryRecord &record);
    DosimetryRecord &record() const { return m_record; }

    Outcome<ReaderInfo> addReader(const ReaderInfo &reader);
    Outcome<ReaderInfo> reader(const QString &name) const;
    Outcome<QStringList> readerNames() const;
    Outcome<Batch> addBatch(const Batch &batch);
    Outcome<QStringList> batchNames() const;
    Outcome<Batch> batch(const QString &name) const;
    Outcome<Background> addBackground(const QString &batch, quint32 wavelength,
                                      const QList<Capture> &captures);
    Outcome<Background> background(const QString &batch, quint32 wavelength) const;

    // Starts a session on a registered batch and reader, with the batch's background at the
    // wavelength, which must have been measured.
    Outcome<Session> startSession(Session session);
    Outcome<Session> session(qint64 id) const;
    Status endSession(qint64 id);

    Outcome<SessionCapture> addCapture(qint64 session, const QString &dosimeter,
                                       const Capture &capture, double thickness);
    // The session's captures as they stand after every correction.
    Outcome<QList<SessionCapture>> captures(qint64 session) const;
    // A correction: the dosimeter's captures in the session go to the ID `to`, or out of the
    // results when `to` is empty; the captures stay in the record, and the correction says who,
    // when and why. How many captures it moved.
    Outcome<int> correct(qint64 session, const QString &dosimeter, const QString &to,
                         const QString &reason);
    // One row per dosimeter, in the order of their first capture.
    Outcome<QList<DosimeterResult>> results(qint64 session) const;
    // The same of captures in hand; one not yet in the record (entry 0) flags its row. Doses
    // come from `source`.
    static QList<DosimeterResult> summarise(const Session &session,
                                            const QList<SessionCapture> &captures,
                                            const DoseSource &source = {});
    // What the doses of the session's results come from.
    Outcome<DoseSource> doseSource(const Session &session) const;
    // The ID of the last capture of the session; empty when there is none.
    Outcome<QString> lastDosimeter(qint64 session) const;

private:
    // A reader or a batch: refused when the name is empty or taken.
    Status addNamed(const QString &kind, const QString &name, const QJsonObject &content,
                    const QString &exists);
    Outcome<QStringList> subjects(const QString &kind) const;
    Outcome<std::optional<Entry>> latest(const QString &kind, const QString &subject) const;

    DosimetryRecord &m_record;
};
