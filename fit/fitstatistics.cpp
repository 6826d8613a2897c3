#include "fitstatistics.h"

#include "fdistribution.h"

#include <QMap>

#include <cmath>

namespace FitStatistics {

Eigen::VectorXd rootWeights(const QList<FitPoint> &points)
{
    Eigen::VectorXd w(points.size());
    for (qsizetype i = 0; i < points.size(); ++i)
        w[i] = points[i].u > 0 ? 1 / points[i].u : 1;
    return w;
}

std::optional<Eigen::MatrixXd> covariance(const Eigen::MatrixXd &jacobian, double variance)
{
    // J·P = Q·R, so (JᵀJ)⁻¹ = P·R⁻¹·R⁻ᵀ·Pᵀ: nothing is squared before it is inverted.
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(jacobian.rows(), jacobian.cols());
    qr.setThreshold(1e-13);
    qr.compute(jacobian);
    const Eigen::Index p = jacobian.cols();
    if (p == 0 || qr.rank() < p)
        return std::nullopt;
    const Eigen::MatrixXd r = qr.matrixR().topLeftCorner(p, p).triangularView<Eigen::Upper>();
    const Eigen::MatrixXd inverse =
        r.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(p, p));
    const Eigen::MatrixXd unpermuted = qr.colsPermutation() * inverse;
    return Eigen::MatrixXd(unpermuted * unpermuted.transpose() * variance);
}

namespace {

// The dose of a point, by the curve and as given.
double percentResidual(const CalibrationForm &form, const FitPoint &p,
                       const std::vector<double> &values)
{
    const double given = form.givesDoseFromResponse() ? p.y : p.x;
    const std::optional<double> curve =
        form.givesDoseFromResponse() ? form.value(p.x, values) : form.inverse(p.y, values);
    if (given == 0 || !curve)
        return std::nan("");
    return 100 * (*curve - given) / given;
}

// The points by dose, doses equal to nine digits counting as one.
QList<QList<int>> byDose(const CalibrationForm &form, const QList<FitPoint> &points)
{
    QMap<double, QList<int>> groups;
    for (int i = 0; i < int(points.size()); ++i) {
        double dose = form.givesDoseFromResponse() ? points[i].y : points[i].x;
        // The lowest dose already seen that counts as this one. Only the few keys near it are
        // looked at: a scan of every group made a file of many points take minutes.
        const double near = 1e-9 * std::fabs(dose);
        for (auto g = std::as_const(groups).lowerBound(dose - 2 * near);
             g != groups.cend() && g.key() <= dose + 2 * near; ++g) {
            if (std::fabs(g.key() - dose) <= near) {
                dose = g.key();
                break;
            }
        }
        groups[dose] << i;
    }
    return groups.values();
}

} // namespace

void complete(FitResult &r, const QList<FitPoint> &points, const std::vector<double> &values,
              const Eigen::MatrixXd &unscaledCovariance)
{
    const int n = int(points.size());
    const int p = int(values.size());
    const Eigen::VectorXd w = rootWeights(points);
    Eigen::VectorXd residual(n);
    for (int i = 0; i < n; ++i)
        residual[i] = (points[i].y - r.form.value(points[i].x, values)) * w[i];
    r.observations = n;
    r.degreesOfFreedom = n - p;
    r.weighted = points.first().u > 0;
    r.residualSumOfSquares = residual.squaredNorm();
    const double variance = r.residualSumOfSquares / r.degreesOfFreedom;
    r.residualStandardDeviation = std::sqrt(variance);
    const Eigen::MatrixXd cov = unscaledCovariance * variance;
    r.covariance.assign(cov.data(), cov.data() + cov.size()); // symmetric: either order
    const QStringList names = r.form.parameterNames();
    r.parameters.clear();
    for (int k = 0; k < p; ++k)
        r.parameters << FitParameter{names[k], values[k], std::sqrt(cov(k, k))};
    r.residualPercent.clear();
    for (const FitPoint &point : points)
        r.residualPercent.push_back(percentResidual(r.form, point, values));

    // Repeated doses: the scatter of their responses, and the residuals split into the part
    // that scatter explains (pure error) and the part it does not (lack of fit).
    r.levels.clear();
    double pureError = 0, lack = 0;
    const QList<QList<int>> groups = byDose(r.form, points);
    for (const QList<int> &group : groups) {
        double weight = 0, mean = 0;
        for (int i : group) {
            weight += w[i] * w[i];
            mean += w[i] * residual[i];
        }
        mean /= weight;
        lack += weight * mean * mean;
        for (int i : group)
            pureError += (residual[i] - w[i] * mean) * (residual[i] - w[i] * mean);
        if (group.size() < 2)
            continue;
        DoseLevel level;
        level.count = int(group.size());
        const auto response = [&](int i) {
            return r.form.givesDoseFromResponse() ? points[i].x : points[i].y;
        };
        level.dose = r.form.givesDoseFromResponse() ? points[group[0]].y : points[group[0]].x;
        for (int i : group)
            level.meanResponse += response(i) / level.count;
        double squares = 0;
        for (int i : group)
            squares += (response(i) - level.meanResponse) * (response(i) - level.meanResponse);
        level.variation =
            100 * std::sqrt(squares / (level.count - 1)) / std::fabs(level.meanResponse);
        r.levels << level;
    }
    const int groupCount = int(groups.size());
    r.lackOfFit.reset();
    if (groupCount > p && n > groupCount && pureError > 0) {
        LackOfFit f;
        f.degreesOfFreedom = groupCount - p;
        f.pureErrorDegreesOfFreedom = n - groupCount;
        f.f = (lack / f.degreesOfFreedom) / (pureError / f.pureErrorDegreesOfFreedom);
        f.p = fUpperTail(f.f, f.degreesOfFreedom, f.pureErrorDegreesOfFreedom);
        r.lackOfFit = f;
    }
}

} // namespace FitStatistics
