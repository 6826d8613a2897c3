#pragma once

#include "capture.h"
#include "capturerules.h"

#include "common/reading.h"

#include <deque>
#include <optional>

// Takes one capture per film from the stream of readings. A capture is taken by itself once
// the readings settle; after it, none until a reading falls below the holder-empty threshold
// (the film was taken out). On demand, the settled value is taken at once, or the reason why
// there is none is given.
class StableCapture {
public:
    // Why no capture can be taken now.
    enum class Hold { None, NoReading, NotOk, OtherWavelength, BelowThreshold, Settling, Unsteady };

    explicit StableCapture(CaptureRules rules);

    // The capture this reading completes, if it does.
    std::optional<Capture> take(const Reading &reading);
    // The settled value now, whether or not one was taken for this film.
    std::optional<Capture> captureNow();
    // The readings stopped coming (the source ended): what was settling is not taken.
    void interrupt();

    Hold hold() const;
    // The numbers behind a hold: the last reading, and the spread of the recent ones.
    const Reading *lastReading() const;
    double spread() const;
    bool waitsForRemoval() const { return m_taken; }
    const CaptureRules &rules() const { return m_rules; }

private:
    Capture settled() const;

    CaptureRules m_rules;
    std::deque<Reading> m_recent;
    bool m_taken = false;
};
