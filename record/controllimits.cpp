#include "controllimits.h"

#include <cmath>

std::optional<ControlLimits> ControlLimits::of(const QList<double> &values)
{
    if (values.size() < kFewest)
        return std::nullopt;
    ControlLimits l;
    for (qsizetype i = 0; i < values.size(); ++i) {
        l.mean += values[i] / double(values.size());
        if (i > 0)
            l.averageMovingRange +=
                std::fabs(values[i] - values[i - 1]) / double(values.size() - 1);
    }
    // 2.66 = 3 / d2, d2 = 1.128 for ranges of two.
    l.lower = l.mean - 2.66 * l.averageMovingRange;
    l.upper = l.mean + 2.66 * l.averageMovingRange;
    return l;
}
