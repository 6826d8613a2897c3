#pragma once

#include "common/outcome.h"
#include "resources/stringid.h"

#include <QList>
#include <QLocale>
#include <QString>

class IndicatorModel;
class Prompter;
class ReadingModel;
class Watchdog;

// Turns one reading record into the indicators: the absorbance, the wavelength, the range
// status and one step of the activity bar. Positions count from 1:
//   1-4  absorbance count (count / 1000; 9999 is shown as it stands)
//   6    wavelength selector, 0 for 510 nm, any other number 600 nm
//   7    under-range flag (1), 8 over-range flag (1)
// A failed conversion is reported and decoding goes on along the table's failure path; the
// reports come once the record's updates are all made, one box after the other. After the
// indicators, each record becomes one typed reading; one that is not of the reader's shape, or
// was not delimited by line ends, is marked as damaged there and carries no absorbance.
class ReadingDecoder {
public:
    ReadingDecoder(IndicatorModel &indicators, ReadingModel &readings, Watchdog &watchdog,
                   Prompter &prompter, QLocale locale);

    // Records that arrive while one of its boxes is open are decoded in full, after this one.
    // A record that is not delimited (cut at ten characters) is never a whole reading.
    void DecodeReading(const QString record, bool delimited = true);
    // Characters that came and are not decoded: the window does not change, but the readings
    // show that they came.
    void piecesDropped(const QString &characters);

    // The last count that converted.
    qint16 ReadingValue() const { return m_readingValue; }

private:
    Outcome<double> numberAt(const QString &record, int position) const;
    bool flagSet(const QString &record, int position);
    void setTextFromTable(StringId id);
    void collect(const Failure &failure);
    void collectFieldFailure(const Failure &failure);
    void report(const Failure &failure);

    IndicatorModel &m_indicators;
    ReadingModel &m_readings;
    Watchdog &m_watchdog;
    Prompter &m_prompter;
    QLocale m_locale;
    qint16 m_readingValue = 0;
    QList<Failure> *m_failures = nullptr; // the current record's, while it is decoded
    bool m_fieldFailed = false;           // a field of the current record did not convert
    bool m_boxOpen = false;
};
