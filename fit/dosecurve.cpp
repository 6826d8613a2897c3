#include "dosecurve.h"

#include <cmath>

bool DoseCurve::isWhole() const
{
    const std::size_t n = std::size_t(form.parameterCount());
    return parameters.size() == n && covariance.size() == n * n;
}

DoseEstimate estimateDose(const DoseCurve &curve, double response, double responseUncertainty)
{
    DoseEstimate e;
    // The calibration says nothing beyond its points; a rounding hair outside still counts.
    const double margin =
        1e-9 * std::max(std::fabs(curve.lowResponse), std::fabs(curve.highResponse));
    if (!(response >= curve.lowResponse - margin && response <= curve.highResponse + margin)) {
        e.reason = DoseEstimate::OutsideRange;
        return e;
    }
    const CalibrationForm &form = curve.form;
    const std::vector<double> &p = curve.parameters;
    std::vector<double> gradient; // ∂D/∂p
    double slope = 0;             // ∂D/∂Δk
    if (form.givesDoseFromResponse()) {
        e.dose = form.value(response, p);
        gradient = form.gradient(response, p);
        slope = form.slope(response, p);
    } else {
        // Response from dose, inverted: D with f(D) = Δk, and by the implicit function
        // ∂D/∂p = −(∂f/∂p)/(∂f/∂D), ∂D/∂Δk = 1/(∂f/∂D).
        const std::optional<double> dose = form.inverse(response, p);
        if (!dose) {
            e.reason = DoseEstimate::NotReached;
            return e;
        }
        e.dose = *dose;
        const double fSlope = form.slope(e.dose, p);
        gradient = form.gradient(e.dose, p);
        for (double &g : gradient)
            g = -g / fSlope;
        slope = 1 / fSlope;
    }
    double curveVariance = 0;
    const std::size_t n = gradient.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j)
            curveVariance += gradient[i] * curve.covariance[i * n + j] * gradient[j];
    }
    const double responseTerm = slope * responseUncertainty;
    const double referenceTerm = e.dose * curve.referenceUncertainty;
    // The factor scales the dose and each term alike.
    e.dose *= curve.factor;
    e.standardUncertainty = std::fabs(curve.factor) *
                            std::sqrt(std::max(0.0, curveVariance) + responseTerm * responseTerm +
                                      referenceTerm * referenceTerm);
    e.expandedUncertainty = 2 * e.standardUncertainty;
    if (!std::isfinite(e.dose) || !std::isfinite(e.standardUncertainty))
        e.reason = DoseEstimate::NotReached;
    return e;
}
