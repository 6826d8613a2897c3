#pragma once

#include "fit/fitpoint.h"

#include <QList>

// Calibration-like points: three films at each of ten doses (Gy, as y) of a film whose specific
// net absorbance (per mm, as x) saturates exponentially, scattered by up to 0.4 %, the same in
// every run; shifted in x on request.
QList<FitPoint> calibrationPoints(double shift = 0);

// The points with x and y swapped: response from dose.
QList<FitPoint> swapped(QList<FitPoint> points);
