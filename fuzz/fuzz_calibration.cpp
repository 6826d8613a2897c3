// Calibration points as a lab types them or imports them from a calibration laboratory's CSV,
// fitted with every form, and doses read back from each curve that fits. No input may crash or
// hang the fit; a fit that succeeds is whole and reads back from what the record keeps of it as
// the same fit.

#include "fit/curvefit.h"
#include "fit/dosecurve.h"
#include "fit/fitjson.h"
#include "fit/pointsfile.h"
#include "fuzzapplication.h"
#include "record/calibrationcsv.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

bool same(const std::vector<double> &a, const std::vector<double> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && !(std::isnan(a[i]) && std::isnan(b[i])))
            return false;
    }
    return true;
}

void readDoses(const FitResult &fit, const QList<FitPoint> &points)
{
    // The response is x for the forms that give the dose from it, y for the others.
    auto responseOf = [&](const FitPoint &p) {
        return fit.form.givesDoseFromResponse() ? p.x : p.y;
    };
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const FitPoint &p : points) {
        low = std::min(low, responseOf(p));
        high = std::max(high, responseOf(p));
    }
    const DoseCurve curve{fit.form, fit.values(), fit.covariance, low, high, 1.0, 0.01};
    for (const FitPoint &p : points) {
        const DoseEstimate e = estimateDose(curve, responseOf(p), 0.001);
        if (e.reason == DoseEstimate::None &&
            !(std::isfinite(e.dose) && e.standardUncertainty >= 0 &&
              e.expandedUncertainty == 2 * e.standardUncertainty))
            std::abort();
    }
}

void importPoints(const QString &text)
{
    for (const bool withResponse : {false, true}) {
        const Outcome<QList<CalibrationPoint>> rows = CalibrationCsv::parse(text, withResponse);
        if (!rows && rows.failure().description.isEmpty())
            std::abort();
        for (const CalibrationPoint &p : rows ? rows.value() : QList<CalibrationPoint>()) {
            if (p.dosimeter.isEmpty() || !(p.dose >= 0 && std::isfinite(p.dose)) ||
                !(p.doseUncertainty >= 0 && std::isfinite(p.doseUncertainty)) ||
                !std::isfinite(p.response))
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication::ensure();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    importPoints(text);
    const Outcome<QList<FitPoint>> points = PointsFile::parse(text);
    if (!points) {
        if (points.failure().description.isEmpty())
            std::abort();
        return 0;
    }
    // A calibration has tens of points; more would only slow the search down.
    if (points.value().size() > 48)
        return 0;
    for (const CalibrationForm &form : CalibrationForm::all()) {
        const Outcome<FitResult> fit = CurveFit::fit(form, points.value());
        if (!fit) {
            if (fit.failure().description.isEmpty())
                std::abort();
            continue;
        }
        const std::size_t n = std::size_t(form.parameterCount());
        if (std::size_t(fit.value().parameters.size()) != n ||
            fit.value().covariance.size() != n * n)
            std::abort();
        const std::optional<FitResult> kept = FitJson::fromJson(FitJson::toJson(fit.value()));
        if (!kept || !same(kept->values(), fit.value().values()) ||
            !same(kept->covariance, fit.value().covariance))
            std::abort();
        readDoses(fit.value(), points.value());
    }
    return 0;
}
