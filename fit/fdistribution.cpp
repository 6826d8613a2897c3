#include "fdistribution.h"

#include <cmath>
#include <limits>

namespace {

// The continued fraction of I_x(a, b), by the modified Lentz method; converges quickly for
// x < (a + 1) / (a + b + 2).
double betaFraction(double a, double b, double x)
{
    const double tiny = std::numeric_limits<double>::min() / std::numeric_limits<double>::epsilon();
    const auto guard = [tiny](double v) { return std::fabs(v) < tiny ? tiny : v; };
    double c = 1;
    double d = 1 / guard(1 - (a + b) * x / (a + 1));
    double h = d;
    for (int m = 1; m <= 1000; ++m) {
        // The even step, then the odd one.
        const double even = m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m));
        d = 1 / guard(1 + even * d);
        c = guard(1 + even / c);
        h *= d * c;
        const double odd = -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1));
        d = 1 / guard(1 + odd * d);
        c = guard(1 + odd / c);
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1) < 1e-15)
            break;
    }
    return h;
}

} // namespace

double incompleteBeta(double a, double b, double x)
{
    if (x <= 0)
        return 0;
    if (x >= 1)
        return 1;
    const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                  a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1) / (a + b + 2))
        return front * betaFraction(a, b, x) / a;
    return 1 - front * betaFraction(b, a, 1 - x) / b;
}

double fUpperTail(double f, double d1, double d2)
{
    if (!(f > 0))
        return 1;
    return incompleteBeta(d2 / 2, d1 / 2, d2 / (d2 + d1 * f));
}
