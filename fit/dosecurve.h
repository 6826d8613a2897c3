#pragma once

#include "calibrationform.h"

#include <optional>
#include <vector>

// An approved calibration as the dose is computed from it: the function, its parameters and
// their covariance, the range of specific net absorbance it was fitted over, the verification
// factor, and the relative standard uncertainty of the reference doses.
struct DoseCurve {
    CalibrationForm form;
    std::vector<double> parameters;
    std::vector<double> covariance; // row by row
    double lowResponse = 0;         // Δk, per mm
    double highResponse = 0;
    double factor = 1;
    double referenceUncertainty = 0; // relative, standard

    // As many parameters as the form has, and their covariance: a curve read back from a
    // record edited outside the program may not be.
    bool isWhole() const;
};

struct DoseEstimate {
    enum Reason { None, OutsideRange, NotReached };
    Reason reason = None;
    double dose = 0;                // Gy
    double standardUncertainty = 0; // Gy
    double expandedUncertainty = 0; // k = 2, Gy
};

// The dose at Δk from a whole curve, with `responseUncertainty` the standard uncertainty of
// Δk. Its standard uncertainty combines the curve's own (the gradient in the parameters through
// their covariance), the response's (through ∂D/∂Δk) and the reference doses' (relative).
DoseEstimate estimateDose(const DoseCurve &curve, double response, double responseUncertainty);
