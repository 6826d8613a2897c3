#include "fitjson.h"

#include <QJsonArray>

#include <cmath>

namespace {

QJsonValue number(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue();
}

QJsonArray numbers(const std::vector<double> &values)
{
    QJsonArray a;
    for (double v : values)
        a.append(number(v));
    return a;
}

} // namespace

QJsonObject FitJson::toJson(const FitResult &fit)
{
    QJsonArray parameters;
    for (const FitParameter &p : fit.parameters)
        parameters.append(QJsonObject{{QStringLiteral("name"), p.name},
                                      {QStringLiteral("value"), number(p.value)},
                                      {QStringLiteral("standard_error"), number(p.standardError)}});
    QJsonArray levels;
    for (const DoseLevel &l : fit.levels)
        levels.append(QJsonObject{{QStringLiteral("dose"), l.dose},
                                  {QStringLiteral("count"), l.count},
                                  {QStringLiteral("mean_response"), l.meanResponse},
                                  {QStringLiteral("variation_percent"), number(l.variation)}});
    QJsonObject o{{QStringLiteral("form"), fit.form.name()},
                  {QStringLiteral("parameters"), parameters},
                  {QStringLiteral("residual_sum_of_squares"), fit.residualSumOfSquares},
                  {QStringLiteral("residual_standard_deviation"), fit.residualStandardDeviation},
                  {QStringLiteral("degrees_of_freedom"), fit.degreesOfFreedom},
                  {QStringLiteral("observations"), fit.observations},
                  {QStringLiteral("weighted"), fit.weighted},
                  {QStringLiteral("covariance"), numbers(fit.covariance)},
                  {QStringLiteral("residuals_percent"), numbers(fit.residualPercent)},
                  {QStringLiteral("dose_levels"), levels}};
    if (fit.lackOfFit)
        o.insert(
            QStringLiteral("lack_of_fit"),
            QJsonObject{{QStringLiteral("f"), fit.lackOfFit->f},
                        {QStringLiteral("p"), fit.lackOfFit->p},
                        {QStringLiteral("degrees_of_freedom"), fit.lackOfFit->degreesOfFreedom},
                        {QStringLiteral("pure_error_degrees_of_freedom"),
                         fit.lackOfFit->pureErrorDegreesOfFreedom}});
    return o;
}

namespace {

double numberOf(const QJsonValue &v)
{
    return v.isDouble() ? v.toDouble() : std::nan("");
}

std::vector<double> numbersOf(const QJsonValue &v)
{
    std::vector<double> values;
    for (const QJsonValue item : v.toArray())
        values.push_back(numberOf(item));
    return values;
}

} // namespace

std::optional<FitResult> FitJson::fromJson(const QJsonObject &o)
{
    const std::optional<CalibrationForm> form =
        CalibrationForm::parse(o.value(QStringLiteral("form")).toString());
    if (!form)
        return std::nullopt;
    FitResult fit(*form);
    for (const QJsonValue v : o.value(QStringLiteral("parameters")).toArray()) {
        const QJsonObject p = v.toObject();
        fit.parameters << FitParameter{p.value(QStringLiteral("name")).toString(),
                                       numberOf(p.value(QStringLiteral("value"))),
                                       numberOf(p.value(QStringLiteral("standard_error")))};
    }
    fit.covariance = numbersOf(o.value(QStringLiteral("covariance")));
    const std::size_t n = std::size_t(form->parameterCount());
    if (fit.parameters.size() != qsizetype(n) || fit.covariance.size() != n * n)
        return std::nullopt;
    fit.residualSumOfSquares = numberOf(o.value(QStringLiteral("residual_sum_of_squares")));
    fit.residualStandardDeviation =
        numberOf(o.value(QStringLiteral("residual_standard_deviation")));
    fit.degreesOfFreedom = o.value(QStringLiteral("degrees_of_freedom")).toInt();
    fit.observations = o.value(QStringLiteral("observations")).toInt();
    fit.weighted = o.value(QStringLiteral("weighted")).toBool();
    fit.residualPercent = numbersOf(o.value(QStringLiteral("residuals_percent")));
    for (const QJsonValue v : o.value(QStringLiteral("dose_levels")).toArray()) {
        const QJsonObject l = v.toObject();
        fit.levels << DoseLevel{numberOf(l.value(QStringLiteral("dose"))),
                                l.value(QStringLiteral("count")).toInt(),
                                numberOf(l.value(QStringLiteral("mean_response"))),
                                numberOf(l.value(QStringLiteral("variation_percent")))};
    }
    if (o.contains(QStringLiteral("lack_of_fit"))) {
        const QJsonObject f = o.value(QStringLiteral("lack_of_fit")).toObject();
        fit.lackOfFit = LackOfFit{numberOf(f.value(QStringLiteral("f"))),
                                  numberOf(f.value(QStringLiteral("p"))),
                                  f.value(QStringLiteral("degrees_of_freedom")).toInt(),
                                  f.value(QStringLiteral("pure_error_degrees_of_freedom")).toInt()};
    }
    return fit;
}
