#pragma once

#include <QtGlobal>

// When a film's reading counts as settled: the last `window` readings all ok, at the session's
// wavelength, at or above the reader's holder-empty threshold, and no further apart than
// `tolerance` (absorbance).
struct CaptureRules {
    int window = 4;
    double threshold = 0.020;
    double tolerance = 0.003;
    quint32 wavelength = 0; // nanometres; 0 for any, as long as the readings agree
};
