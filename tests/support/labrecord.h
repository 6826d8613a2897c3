#pragma once

#include "capture/capture.h"
#include "record/dosimetryrecord.h"
#include "record/labbook.h"

#include <QTemporaryDir>

#include <functional>

// A capture of four readings from sequence number `first` on, at 510 nm.
Capture film(double absorbance, quint64 first);

// A record with a reader R1, a batch B1 with its background at 510 nm, and a session begun.
// Dosed, the reader has passed its day's check and an approved calibration of the batch turns
// Δk (1/mm) into dose as D = 1000·Δk Gy, so that the session's results have doses.
struct LabRecord {
    using Place = std::function<QString(const QTemporaryDir &)>;
    enum Doses { WithoutDoses, Dosed };

    // By default the record is a file in `dir`.
    explicit LabRecord(int replicates = 1, Doses doses = WithoutDoses, const Place &place = {});

    QTemporaryDir dir;
    QString path;
    DosimetryRecord record;
    LabBook book{record};
    qint64 session = 0;

private:
    void prepare(int replicates, Doses doses);
};
