#include "curvefit.h"

#include "fitmethods.h"
#include "fittexts.h"

#include <cmath>

namespace CurveFit {

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
    if (form.kind() == CalibrationForm::Polynomial)
        return fitPolynomial(form, points);
    return fitNonlinear(form, points, start);
}

} // namespace CurveFit
