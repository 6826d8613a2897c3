#pragma once

#include "fitpoint.h"
#include "fitresult.h"

#include <Eigen/Dense>

#include <optional>

// What every fit reports once its parameters are found, whichever way they were found.
namespace FitStatistics {

// The points' weights' square roots: 1/u, or 1 when the points are not weighted.
Eigen::VectorXd rootWeights(const QList<FitPoint> &points);

// (JᵀJ)⁻¹·s² from the weighted Jacobian, by its QR decomposition so that nothing is squared
// before it is inverted; none when the parameters are not determined.
std::optional<Eigen::MatrixXd> covariance(const Eigen::MatrixXd &jacobian, double variance);

// Fills in the residual sum of squares, the residual standard deviation, the standard errors,
// the residuals in per cent, the repeated doses and the lack of fit, from the parameters and
// their covariance (unscaled: (JᵀJ)⁻¹).
void complete(FitResult &result, const QList<FitPoint> &points, const std::vector<double> &values,
              const Eigen::MatrixXd &unscaledCovariance);

} // namespace FitStatistics
