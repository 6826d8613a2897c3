#pragma once

// The regularised incomplete beta function I_x(a, b).
double incompleteBeta(double a, double b, double x);

// The chance that F with d1 and d2 degrees of freedom is at least f.
double fUpperTail(double f, double d1, double d2);
