#pragma once

#include "checkitems.h"
#include "dosimetryrecord.h"

#include "common/outcome.h"

#include <QDateTime>

#include <optional>

// Check standards and the day's checks, as entries of the record; and whether a session may
// report doses: only when its reader passed a check at its wavelength in the reader's period
// before the session began, with a filter whose certificate held.
class CheckBook {
public:
    explicit CheckBook(DosimetryRecord &record);

    Outcome<CheckStandard> addStandard(const CheckStandard &standard);
    Outcome<CheckStandard> standard(const QString &id) const;
    Outcome<QStringList> standardIds() const;
    // Keeps a reading of the standard on the reader: passed when it lies within the tolerance
    // of the certified absorbance. Refused when the certificate has expired.
    Outcome<DayCheck> addCheck(const QString &standard, const QString &reader,
                               const Capture &measured);
    // Every check, or those of one standard, in the order made.
    Outcome<QList<DayCheck>> checks(const QString &standard = {}) const;
    // The check that counts for a session of the reader at the wavelength begun at `started`:
    // the last one before it, within the period; none when there is none.
    Outcome<std::optional<DayCheck>> dayCheck(const QString &reader, quint32 wavelength,
                                              const QDateTime &started, int periodHours) const;
    // Why a session of the reader at the wavelength begun at `started` may not report doses:
    // "no-check", "check-failed" or "certificate-expired"; empty when it may.
    Outcome<QString> blocker(const QString &reader, quint32 wavelength, const QDateTime &started,
                             int periodHours) const;

private:
    DosimetryRecord &m_record;
};
