#pragma once

#include "common/outcome.h"
#include "resources/stringid.h"

#include <QLocale>
#include <QString>

class IndicatorModel;
class Prompter;
class Watchdog;

// Turns one reading record into the indicators: the absorbance, the wavelength, the range
// status and one step of the activity bar. Positions count from 1:
//   1-4  absorbance count (count / 1000; 9999 is shown as it stands)
//   6    wavelength selector, 0 for 510 nm, any other number 600 nm
//   7    under-range flag (1), 8 over-range flag (1)
// A failed conversion is reported and decoding goes on along the table's failure path.
class ReadingDecoder {
public:
    ReadingDecoder(IndicatorModel &indicators, Watchdog &watchdog, Prompter &prompter,
                   QLocale locale);

    // Works on its own copy, so a record decoded while one of its message boxes is open
    // cannot disturb it.
    void DecodeReading(const QString record);

    // The last count that converted.
    qint16 ReadingValue() const { return m_readingValue; }

private:
    Outcome<double> numberAt(const QString &record, int position) const;
    bool flagSet(const QString &record, int position);
    void setTextFromTable(StringId id);
    void report(const Failure &failure);

    IndicatorModel &m_indicators;
    Watchdog &m_watchdog;
    Prompter &m_prompter;
    QLocale m_locale;
    qint16 m_readingValue = 0;
    bool m_boxOpen = false;
};
