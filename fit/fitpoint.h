#pragma once

// One calibration point: `y` measured at `x`, with the standard uncertainty `u` of `y`
// (0 when the points are not weighted).
struct FitPoint {
    double x = 0;
    double y = 0;
    double u = 0;
};
