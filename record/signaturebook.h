#pragma once

#include "dosimetryrecord.h"

#include "common/outcome.h"

// A signature: who, when, and what it means ("performed", "reviewed", "approved").
struct Signature {
    qint64 entry = 0;
    QString user;
    QString time; // RFC 3339, UTC
    QString meaning;
};

// Signatures as entries of the record. A session is signed "performed" by the one who ends it
// and "reviewed" by another; a calibration's approval is its "approved" signature. No one signs
// the same thing with the same meaning twice, and no one reviews their own session.
class SignatureBook {
public:
    explicit SignatureBook(DosimetryRecord &record);

    // The review of an ended session, by the login name.
    Outcome<Signature> review(qint64 session);
    Outcome<QList<Signature>> ofSession(qint64 session) const;
    Outcome<QList<Signature>> ofCalibration(qint64 calibration) const;

private:
    DosimetryRecord &m_record;
};
