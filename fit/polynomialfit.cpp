#include "fitmethods.h"

#include "fitstatistics.h"
#include "fittexts.h"

#include <Eigen/Dense>

namespace {

// The matrix that takes the coefficients of a polynomial in t = (x − centre)/scale to those in
// x: column k holds the expansion of t^k.
Eigen::MatrixXd toPlainX(int degree, double centre, double scale)
{
    Eigen::MatrixXd t = Eigen::MatrixXd::Zero(degree + 1, degree + 1);
    for (int k = 0; k <= degree; ++k) {
        double binomial = 1; // C(k, j), from j = k down
        for (int j = k; j >= 0; --j) {
            t(j, k) = binomial * std::pow(-centre, k - j) / std::pow(scale, k);
            binomial = binomial * j / (k - j + 1);
        }
    }
    return t;
}

} // namespace

Outcome<FitResult> fitPolynomial(const CalibrationForm &form, const QList<FitPoint> &points)
{
    const int n = int(points.size());
    const int p = form.degree() + 1;
    double low = points.first().x, high = low, centre = 0;
    for (const FitPoint &point : points) {
        low = std::min(low, point.x);
        high = std::max(high, point.x);
        centre += point.x / n;
    }
    // On x centred and scaled the columns of the design matrix are nearly orthogonal, which
    // powers of x far from zero are not.
    const double scale = (high - low) / 2;
    const Eigen::VectorXd w = FitStatistics::rootWeights(points);
    Eigen::MatrixXd design(n, p);
    Eigen::VectorXd y(n);
    for (int i = 0; i < n; ++i) {
        const double t = (points[i].x - centre) / scale;
        double power = w[i];
        for (int k = 0; k < p; ++k) {
            design(i, k) = power;
            power *= t;
        }
        y[i] = points[i].y * w[i];
    }
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(design);
    const std::optional<Eigen::MatrixXd> covariance = FitStatistics::covariance(design, 1);
    if (qr.rank() < p || !covariance)
        return Failure{Failure::InvalidPropertyValue,
                       FitTexts::parametersUndetermined(form.name())};
    const Eigen::MatrixXd plain = toPlainX(form.degree(), centre, scale);
    const Eigen::VectorXd coefficients = plain * qr.solve(y);
    FitResult result(form);
    FitStatistics::complete(result, points,
                            std::vector<double>(coefficients.begin(), coefficients.end()),
                            plain * *covariance * plain.transpose());
    return result;
}
