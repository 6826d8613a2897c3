#include "stablecapture.h"

#include <algorithm>

namespace {

// Absorbances are thousandths; a margin far below one keeps 0.503 - 0.500 within a tolerance of
// 0.003 and 0.020 at a threshold of 0.020 whatever the binary rounding.
constexpr double kMargin = 1e-9;

} // namespace

StableCapture::StableCapture(CaptureRules rules)
    : m_rules(rules)
{
}

std::optional<Capture> StableCapture::take(const Reading &reading)
{
    // A silence keeps the sequence number of what came before it; any other step but one means
    // readings were missed (or the source restarted), so what came before does not count.
    if (!m_recent.empty() && reading.status != Reading::Status::NoData &&
        reading.sequence != m_recent.back().sequence + 1)
        m_recent.clear();
    m_recent.push_back(reading);
    while (m_recent.size() > size_t(m_rules.window))
        m_recent.pop_front();

    // The film was taken out: the next one may be captured.
    if (reading.status == Reading::Status::UnderRange ||
        (reading.status == Reading::Status::Ok && reading.absorbance < m_rules.threshold - kMargin))
        m_taken = false;
    if (m_taken || hold() != Hold::None)
        return std::nullopt;
    m_taken = true;
    return settled();
}

std::optional<Capture> StableCapture::captureNow()
{
    // Taken or not already: the film is in the holder, so nothing new is armed.
    if (hold() != Hold::None)
        return std::nullopt;
    return settled();
}

void StableCapture::interrupt()
{
    m_recent.clear();
}

StableCapture::Hold StableCapture::hold() const
{
    if (m_recent.empty())
        return Hold::NoReading;
    for (const Reading &r : m_recent) {
        if (r.status != Reading::Status::Ok || r.damaged)
            return Hold::NotOk;
    }
    const quint32 wavelength = m_rules.wavelength ? m_rules.wavelength : m_recent.back().wavelength;
    for (const Reading &r : m_recent) {
        if (r.wavelength != wavelength)
            return Hold::OtherWavelength;
    }
    for (const Reading &r : m_recent) {
        if (!(r.absorbance >= m_rules.threshold - kMargin))
            return Hold::BelowThreshold;
    }
    if (m_recent.size() < size_t(m_rules.window))
        return Hold::Settling;
    return spread() <= m_rules.tolerance + kMargin ? Hold::None : Hold::Unsteady;
}

const Reading *StableCapture::lastReading() const
{
    return m_recent.empty() ? nullptr : &m_recent.back();
}

double StableCapture::spread() const
{
    if (m_recent.empty())
        return 0;
    const auto [low, high] = std::minmax_element(
        m_recent.begin(), m_recent.end(),
        [](const Reading &a, const Reading &b) { return a.absorbance < b.absorbance; });
    return high->absorbance - low->absorbance;
}

Capture StableCapture::settled() const
{
    Capture c;
    double sum = 0;
    for (const Reading &r : m_recent)
        sum += r.absorbance;
    c.readings = int(m_recent.size());
    c.absorbance = sum / c.readings;
    c.spread = spread();
    c.firstSequence = m_recent.front().sequence;
    c.lastSequence = m_recent.back().sequence;
    c.time = m_recent.back().time;
    c.wavelength = m_recent.back().wavelength;
    return c;
}
