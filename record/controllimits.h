#pragma once

#include <QList>

#include <optional>

// Individuals-chart limits of a series of checks: the mean ± 2.66 times the average moving
// range (the range between each value and the one before). Too few values say too little about
// the reader's scatter: none below `kFewest`.
struct ControlLimits {
    static constexpr int kFewest = 20;

    double mean = 0;
    double averageMovingRange = 0;
    double lower = 0;
    double upper = 0;

    static std::optional<ControlLimits> of(const QList<double> &values);
};
