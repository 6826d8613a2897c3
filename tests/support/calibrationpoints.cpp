#include "calibrationpoints.h"

#include <cmath>
#include <random>
#include <utility>

QList<FitPoint> calibrationPoints(double shift)
{
    const double doses[] = {1000, 2000, 5000, 10000, 15000, 20000, 25000, 30000, 40000, 50000};
    std::mt19937 random(41);
    QList<FitPoint> points;
    for (double dose : doses) {
        for (int film = 0; film < 3; ++film) {
            const double scatter = (double(random() % 2001) - 1000) / 2.5e5;
            points << FitPoint{60 * -std::expm1(-2e-5 * dose) * (1 + scatter) + shift, dose, 0};
        }
    }
    return points;
}

QList<FitPoint> swapped(QList<FitPoint> points)
{
    for (FitPoint &p : points)
        std::swap(p.x, p.y);
    return points;
}
