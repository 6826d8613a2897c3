#pragma once

#include "fitresult.h"

#include <QJsonObject>

#include <optional>

// A fit as JSON: `form`, `parameters` (each `name`, `value`, `standard_error`),
// `residual_sum_of_squares`, `residual_standard_deviation`, `degrees_of_freedom`,
// `observations`, and besides those `weighted`, `covariance` (row by row),
// `residuals_percent`, `dose_levels` and `lack_of_fit`. A number that does not exist (a
// residual at dose 0) is null.
namespace FitJson {

QJsonObject toJson(const FitResult &fit);
// None when the form is unknown or the parameters do not match it.
std::optional<FitResult> fromJson(const QJsonObject &o);

} // namespace FitJson
