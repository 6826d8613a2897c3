#pragma once

#include "fitpoint.h"
#include "fitresult.h"

#include "common/outcome.h"

// The two ways a form is fitted; the points have been checked (enough of them, finite, not all
// at one x).
Outcome<FitResult> fitPolynomial(const CalibrationForm &form, const QList<FitPoint> &points);
Outcome<FitResult> fitNonlinear(const CalibrationForm &form, const QList<FitPoint> &points,
                                std::vector<double> start);
