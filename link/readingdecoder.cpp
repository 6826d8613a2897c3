#include "link/readingdecoder.h"

#include "common/indicatormodel.h"
#include "common/prompter.h"
#include "common/readingmodel.h"
#include "link/numberconversion.h"
#include "link/recordshape.h"
#include "link/watchdog.h"
#include "resources/stringtable.h"

#include <limits>

using Item = IndicatorModel::Item;

ReadingDecoder::ReadingDecoder(IndicatorModel &indicators, ReadingModel &readings,
                               Watchdog &watchdog, Prompter &prompter, QLocale locale)
    : m_indicators(indicators)
    , m_readings(readings)
    , m_watchdog(watchdog)
    , m_prompter(prompter)
    , m_locale(std::move(locale))
{
}

void ReadingDecoder::DecodeReading(const QString record, bool delimited)
{
    m_watchdog.stop();
    m_readings.beginRecord();
    // The record's failures wait until its last update is made: a box shown mid-record would
    // let the records that arrive while it is open interleave their updates with this one's.
    QList<Failure> failures;
    m_failures = &failures;
    m_fieldFailed = false;
    Reading reading;
    reading.record = record;

    const Outcome<qint16> count = NumberConversion::toInt16(record.mid(0, 4), m_locale);
    if (count)
        m_readingValue = count.value();
    else
        collectFieldFailure(count.failure());

    const Outcome<double> selector = numberAt(record, 6);
    if (!selector)
        collectFieldFailure(selector.failure());
    const bool at510 = !selector || selector.value() == 0;
    m_indicators.setText(Item::Wavelength, at510 ? QStringLiteral("510") : QStringLiteral("600"));
    reading.wavelength = at510 ? 510 : 600;

    if (flagSet(record, 7)) {
        setTextFromTable(StringId::UnderRange);
        m_indicators.setText(Item::Absorbance, QStringLiteral("LO"));
        m_indicators.setErrorcodeVisible(true);
        reading.status = Reading::Status::UnderRange;
        reading.shown = QStringLiteral("LO");
    } else if (flagSet(record, 8)) {
        setTextFromTable(StringId::OverRange);
        m_indicators.setText(Item::Absorbance, QStringLiteral("HI"));
        m_indicators.setErrorcodeVisible(true);
        reading.status = Reading::Status::OverRange;
        reading.shown = QStringLiteral("HI");
    } else {
        // 9999 is the reader's marker and is shown as it stands; from 2.000 on two decimals.
        reading.marker = m_readingValue == 9999;
        const int decimals = m_readingValue >= 2000 ? 2 : 3;
        auto shownIn = [&](const QLocale &locale) {
            return reading.marker
                       ? QStringLiteral("9999")
                       : NumberConversion::formatThousandths(m_readingValue, decimals, locale);
        };
        m_indicators.setText(Item::Absorbance, shownIn(m_locale));
        m_indicators.setText(Item::Errorcode, QStringLiteral("0"));
        m_indicators.setErrorcodeVisible(false);
        reading.status = Reading::Status::Ok;
        reading.shown = shownIn(QLocale::c());
        if (!reading.marker)
            reading.absorbance = m_readingValue / 1000.0;
    }

    m_indicators.setProgress((m_indicators.progress() + 5) % 100);
    reading.damaged = m_fieldFailed || !delimited || !RecordShape::isReaderShape(record);
    // What the reader did not send in its shape is no measurement, whatever the window shows.
    if (reading.damaged)
        reading.absorbance = std::numeric_limits<double>::quiet_NaN();
    m_readings.recordDecoded(std::move(reading));
    m_watchdog.start();

    m_failures = nullptr;
    for (const Failure &failure : std::as_const(failures))
        report(failure);
}

void ReadingDecoder::piecesDropped(const QString &characters)
{
    m_readings.piecesDropped(characters);
}

Outcome<double> ReadingDecoder::numberAt(const QString &record, int position) const
{
    return NumberConversion::toDouble(record.mid(position - 1, 1), m_locale);
}

// A flag that is not a number counts as set: the range display is the safe side.
bool ReadingDecoder::flagSet(const QString &record, int position)
{
    const Outcome<double> flag = numberAt(record, position);
    if (!flag) {
        collectFieldFailure(flag.failure());
        return true;
    }
    return flag.value() == 1;
}

void ReadingDecoder::setTextFromTable(StringId id)
{
    const Outcome<QString> text = StringTable::text(id);
    if (text)
        m_indicators.setText(Item::Errorcode, text.value());
    else
        collect(text.failure());
}

void ReadingDecoder::collect(const Failure &failure)
{
    m_failures->append(failure);
}

void ReadingDecoder::collectFieldFailure(const Failure &failure)
{
    m_fieldFailed = true;
    collect(failure);
}

void ReadingDecoder::report(const Failure &failure)
{
    // One box at a time: failures of records decoded while it is open are not stacked on it.
    if (m_boxOpen)
        return;
    m_boxOpen = true;
    m_prompter.messageBox(failure.description, Prompter::Buttons::Ok, Prompter::Icon::None);
    m_boxOpen = false;
}
