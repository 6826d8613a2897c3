#pragma once

#include "calibrationform.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

struct FitParameter {
    QString name;
    double value = 0;
    double standardError = 0;
};

// The points at one repeated dose: how much their responses vary.
struct DoseLevel {
    double dose = 0;
    int count = 0;
    double meanResponse = 0;
    double variation = 0; // coefficient of variation of the responses, per cent
};

// Whether the form misses the points by more than their scatter at repeated doses explains.
struct LackOfFit {
    double f = 0;
    double p = 0;             // the chance of an F this large if the form were right
    int degreesOfFreedom = 0; // of the lack of fit
    int pureErrorDegreesOfFreedom = 0;
};

struct FitResult {
    explicit FitResult(const CalibrationForm &f)
        : form(f)
    {
    }

    CalibrationForm form;
    QList<FitParameter> parameters;
    std::vector<double> covariance;  // of the parameters, row by row
    double residualSumOfSquares = 0; // weighted when the points are
    double residualStandardDeviation = 0;
    int degreesOfFreedom = 0;
    int observations = 0;
    bool weighted = false;
    // For each point, (dose from the curve − the point's dose) / the point's dose, per cent;
    // NaN at dose 0, and where the curve never reaches the point's response.
    std::vector<double> residualPercent;
    QList<DoseLevel> levels; // the doses given more than once
    std::optional<LackOfFit> lackOfFit;

    std::vector<double> values() const;
};
