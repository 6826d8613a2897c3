#include "curvefit.h"

#include "fitmethods.h"
#include "fittexts.h"

#include <algorithm>
#include <cmath>

namespace CurveFit {

namespace {

// Points far from a double's comfortable range can give a curve whose parameters or their
// uncertainties overflow; such a result would be kept and used as if it were one.
bool computable(const FitResult &r)
{
    const auto finite = [](double v) { return std::isfinite(v); };
    return std::all_of(r.parameters.cbegin(), r.parameters.cend(),
                       [](const FitParameter &p) {
                           return std::isfinite(p.value) && std::isfinite(p.standardError);
                       }) &&
           std::all_of(r.covariance.cbegin(), r.covariance.cend(), finite) &&
           finite(r.residualSumOfSquares) && finite(r.residualStandardDeviation);
}

} // namespace

Outcome<FitResult> fit(const CalibrationForm &form, const QList<FitPoint> &points,
                       const std::vector<double> &start)
{
    const int parameters = form.parameterCount();
    // With as many points as parameters the curve passes through them all and says nothing
    // about its own uncertainty: a calibration needs at least one degree of freedom.
    if (points.size() <= parameters)
        return Failure{Failure::InvalidPropertyValue,
                       FitTexts::tooFewPoints(form.name(), int(points.size()), parameters)};
    bool spread = false;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const FitPoint &p = points[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.u) || p.u < 0 ||
            (p.u > 0) != (points.first().u > 0))
            return Failure{Failure::InvalidPropertyValue, FitTexts::badPoint(int(i) + 1)};
        spread = spread || p.x != points.first().x;
    }
    if (!spread)
        return Failure{Failure::InvalidPropertyValue, FitTexts::allXEqual()};
    Outcome<FitResult> result = form.kind() == CalibrationForm::Polynomial
                                    ? fitPolynomial(form, points)
                                    : fitNonlinear(form, points, start);
    if (result && !computable(result.value()))
        return Failure{Failure::InvalidPropertyValue, FitTexts::beyondNumbers(form.name())};
    return result;
}

} // namespace CurveFit
