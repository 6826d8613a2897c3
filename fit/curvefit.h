#pragma once

#include "calibrationform.h"
#include "fitpoint.h"
#include "fitresult.h"

#include "common/outcome.h"

#include <QList>

#include <vector>

// Least squares of a calibration form through points, weighted by the points' uncertainties
// when they have them. Polynomials are solved as a linear problem, by QR on x centred and
// scaled; the other forms by Levenberg–Marquardt from start values found in the points, or
// from `start` when it is given.
namespace CurveFit {

Outcome<FitResult> fit(const CalibrationForm &form, const QList<FitPoint> &points,
                       const std::vector<double> &start = {});

} // namespace CurveFit
