#pragma once

#include "calibrationitems.h"

#include "common/outcome.h"

// The calibration points of a CSV file with a header line: `dosimeter`, the dose as `dose_gy`
// or `dose_kgy`, optionally its standard uncertainty as `dose_uncertainty_gy` or
// `dose_uncertainty_kgy`, and, as a calibration laboratory sends them, `delta_k_per_mm`. Any
// order; other columns are ignored; `#` starts a comment line. Doses come out in Gy.
namespace CalibrationCsv {

Outcome<QList<CalibrationPoint>> parse(const QString &text, bool withResponse);

} // namespace CalibrationCsv
