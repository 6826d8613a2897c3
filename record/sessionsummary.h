#pragma once

#include "calibrationitems.h"
#include "checkitems.h"
#include "dosimetryrecord.h"
#include "labitems.h"
#include "signaturebook.h"

#include "common/outcome.h"

#include <optional>

// All the record says of one session, as a report and the lab's information system take it:
// what it was measured with, the day's check and the calibration its doses come from, one
// result per dosimeter, and its signatures.
struct SessionSummary {
    Session session;
    Batch batch;
    ReaderInfo reader;
    std::optional<DayCheck> check;          // the one that counts for the session
    std::optional<Calibration> calibration; // the one its doses come from
    QString noDose;                         // why none of its dosimeters has a dose
    QList<SessionCapture> captures;
    QList<DosimeterResult> results;
    QList<Signature> signatures;

    bool isReviewed() const;
    static Outcome<SessionSummary> of(DosimetryRecord &record, qint64 session);
};
