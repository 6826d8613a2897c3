#include "fitmethods.h"

#include "fitstatistics.h"
#include "fittexts.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/NonLinearOptimization>

#include <cmath>

namespace {

// The weighted residuals of a form and their Jacobian, as Eigen's Levenberg–Marquardt asks.
class Residuals {
public:
    Residuals(const CalibrationForm &form, const QList<FitPoint> &points)
        : m_form(form)
        , m_points(points)
        , m_weights(FitStatistics::rootWeights(points))
    {
    }

    int inputs() const { return m_form.parameterCount(); }
    int values() const { return int(m_points.size()); }

    int operator()(const Eigen::VectorXd &p, Eigen::VectorXd &residuals) const
    {
        const std::vector<double> values(p.begin(), p.end());
        for (int i = 0; i < this->values(); ++i)
            residuals[i] = (m_form.value(m_points[i].x, values) - m_points[i].y) * m_weights[i];
        return residuals.allFinite() ? 0 : -1; // a negative value stops the search
    }

    int df(const Eigen::VectorXd &p, Eigen::MatrixXd &jacobian) const
    {
        const std::vector<double> values(p.begin(), p.end());
        for (int i = 0; i < this->values(); ++i) {
            const std::vector<double> g = m_form.gradient(m_points[i].x, values);
            for (int k = 0; k < inputs(); ++k)
                jacobian(i, k) = g[k] * m_weights[i];
        }
        return jacobian.allFinite() ? 0 : -1;
    }

private:
    const CalibrationForm &m_form;
    const QList<FitPoint> &m_points;
    Eigen::VectorXd m_weights;
};

// Each of these forms is linear in all its parameters but one, θ: for a given θ the others
// follow by linear least squares, so a scan over θ finds start values without a guess.
// The columns of that linear problem at θ; empty where the form is not defined.
Eigen::MatrixXd linearColumns(CalibrationForm::Kind kind, double theta,
                              const QList<FitPoint> &points)
{
    const int n = int(points.size());
    Eigen::MatrixXd columns(
        n, kind == CalibrationForm::Power || kind == CalibrationForm::Rational ? 2 : 1);
    for (int i = 0; i < n; ++i) {
        const double x = points[i].x;
        switch (kind) {
        case CalibrationForm::Exponential: columns(i, 0) = -std::expm1(-theta * x); break;
        case CalibrationForm::Hyperbolic:
            if (1 + theta * x <= 0)
                return {};
            columns(i, 0) = theta * x / (1 + theta * x);
            break;
        case CalibrationForm::Rational:
            columns(i, 0) = 1;
            columns(i, 1) = 1 / (x - theta);
            break;
        case CalibrationForm::Power:
            if (x < 0)
                return {};
            columns(i, 0) = x;
            columns(i, 1) = x == 0 ? 0 : std::pow(x, theta);
            break;
        case CalibrationForm::Polynomial: return {};
        }
    }
    if (!columns.allFinite())
        return {};
    return columns;
}

// The values of θ to try, spread over the scales the points allow.
std::vector<double> thetas(CalibrationForm::Kind kind, const QList<FitPoint> &points)
{
    double low = points.first().x, high = low;
    for (const FitPoint &p : points) {
        low = std::min(low, p.x);
        high = std::max(high, p.x);
    }
    const double span = high - low;
    const double reach = std::max(std::fabs(low), std::fabs(high));
    std::vector<double> found;
    for (int step = -40; step <= 30; ++step) {
        const double factor = std::pow(10.0, step / 10.0);
        switch (kind) {
        case CalibrationForm::Exponential:
        case CalibrationForm::Hyperbolic: // a rate: from a thousandth of the range to ten times
            if (step >= -30 && step <= 10) {
                found.push_back(factor / reach);
                found.push_back(-factor / reach);
            }
            break;
        case CalibrationForm::Rational: // a pole outside the points, near or far
            found.push_back(low - factor * span);
            found.push_back(high + factor * span);
            break;
        case CalibrationForm::Power: // an exponent from 0.05 to 6, other than 1
            if (step > -13 && step <= 8 && step != 0)
                found.push_back(factor);
            break;
        case CalibrationForm::Polynomial: break;
        }
    }
    return found;
}

std::vector<double> startValues(const CalibrationForm &form, const QList<FitPoint> &points)
{
    const Eigen::VectorXd w = FitStatistics::rootWeights(points);
    Eigen::VectorXd y(points.size());
    for (qsizetype i = 0; i < points.size(); ++i)
        y[i] = points[i].y * w[i];
    double best = INFINITY;
    std::vector<double> start;
    for (double theta : thetas(form.kind(), points)) {
        Eigen::MatrixXd columns = linearColumns(form.kind(), theta, points);
        if (columns.size() == 0)
            continue;
        columns = w.asDiagonal() * columns;
        const Eigen::VectorXd linear = columns.colPivHouseholderQr().solve(y);
        const double rss = (columns * linear - y).squaredNorm();
        if (!(rss < best) || !linear.allFinite())
            continue;
        best = rss;
        start.assign(linear.begin(), linear.end());
        if (form.kind() == CalibrationForm::Exponential ||
            form.kind() == CalibrationForm::Hyperbolic)
            start.push_back(theta); // (a, b)
        else
            start.insert(start.begin() + 2, theta); // (a, b, n) and (a, b, c)
    }
    return start;
}

// Whether the curve goes through infinity between the points' least and greatest x: a
// calibration must be smooth over the range it is used in.
bool poleAmong(const CalibrationForm &form, const Eigen::VectorXd &p, const QList<FitPoint> &points)
{
    double low = points.first().x, high = low;
    for (const FitPoint &point : points) {
        low = std::min(low, point.x);
        high = std::max(high, point.x);
    }
    if (form.kind() == CalibrationForm::Rational)
        return p[2] >= low && p[2] <= high;
    if (form.kind() == CalibrationForm::Hyperbolic) // at x = −1/b
        return (1 + p[1] * low) * (1 + p[1] * high) <= 0;
    return false;
}

} // namespace

Outcome<FitResult> fitNonlinear(const CalibrationForm &form, const QList<FitPoint> &points,
                                std::vector<double> start)
{
    const Failure notConverged{Failure::InvalidPropertyValue, FitTexts::notConverged(form.name())};
    if (start.empty())
        start = startValues(form, points);
    if (int(start.size()) != form.parameterCount())
        return notConverged;
    Residuals residuals(form, points);
    Eigen::LevenbergMarquardt<Residuals> search(residuals);
    search.parameters.ftol = 1e-15;
    search.parameters.xtol = 1e-15;
    search.parameters.maxfev = 4000;
    Eigen::VectorXd p = Eigen::Map<const Eigen::VectorXd>(start.data(), Eigen::Index(start.size()));
    const int status = search.minimize(p);
    // 1 to 4: converged; 6 to 8: no better point can be told apart at double precision.
    const bool converged = (status >= 1 && status <= 4) || (status >= 6 && status <= 8);
    Eigen::MatrixXd jacobian(points.size(), p.size());
    if (!converged || !p.allFinite() || residuals.df(p, jacobian) != 0)
        return notConverged;
    const std::optional<Eigen::MatrixXd> covariance = FitStatistics::covariance(jacobian, 1);
    if (!covariance)
        return Failure{Failure::InvalidPropertyValue,
                       FitTexts::parametersUndetermined(form.name())};
    if (poleAmong(form, p, points))
        return Failure{Failure::InvalidPropertyValue, FitTexts::poleAmongPoints(form.name())};
    FitResult result(form);
    FitStatistics::complete(result, points, std::vector<double>(p.begin(), p.end()), *covariance);
    return result;
}
