// zav41k-bench-fit: what a calibration costs to fit and a dose to compute.
//   zav41k-bench-fit [--quick]      (--quick: briefly, and goals reported, not enforced)
// - a fit of 50 calibration points in each form, start values found by the engine: the median
//   and the slowest of repeated fits (the goal is on the slowest);
// - the dose and its uncertainty for one dosimeter, from each form's approved curve.

#include "fit/curvefit.h"
#include "fit/dosecurve.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// 50 points of a film that saturates: five films at each of ten doses, scattered by 1 %.
QList<FitPoint> points(bool doseFromResponse)
{
    std::mt19937 random(7);
    std::normal_distribution<double> scatter(0, 0.01);
    QList<FitPoint> p;
    for (int level = 1; level <= 10; ++level) {
        const double dose = 5000.0 * level;
        for (int film = 0; film < 5; ++film) {
            const double response = 60 * -std::expm1(-2e-5 * dose) * (1 + scatter(random));
            p << (doseFromResponse ? FitPoint{response, dose, 0} : FitPoint{dose, response, 0});
        }
    }
    return p;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int fits = quick ? 20 : 400;
    const int doses = quick ? 10000 : 1000000;
    QTextStream out(stdout);
    bool met = true;
    double slowestFit = 0, slowestDose = 0;
    for (const CalibrationForm &form : CalibrationForm::all()) {
        const QList<FitPoint> data = points(form.givesDoseFromResponse());
        std::vector<double> ms;
        std::optional<FitResult> fitted;
        for (int i = 0; i < fits; ++i) {
            QElapsedTimer t;
            t.start();
            const Outcome<FitResult> r = CurveFit::fit(form, data);
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
            if (!r) {
                out << form.name() << ": " << r.failure().description << Qt::endl;
                return 1;
            }
            fitted = r.value();
        }
        std::sort(ms.begin(), ms.end());
        const DoseCurve curve{form, fitted->values(), fitted->covariance, 0, 40, 1, 0.01};
        QElapsedTimer t;
        t.start();
        double sum = 0;
        for (int i = 0; i < doses; ++i)
            sum += estimateDose(curve, 5 + 30.0 * i / doses, 0.05).expandedUncertainty;
        const double us = double(t.nsecsElapsed()) / 1e3 / doses;
        out << qSetFieldWidth(14) << Qt::left << form.name() << qSetFieldWidth(0)
            << "fit of 50 points: median " << QString::number(ms[ms.size() / 2], 'f', 3)
            << " ms, slowest " << QString::number(ms.back(), 'f', 3) << " ms; dose and uncertainty "
            << QString::number(us, 'f', 3) << " µs" << (std::isfinite(sum) ? "" : " (not finite)")
            << Qt::endl;
        slowestFit = std::max(slowestFit, ms.back());
        slowestDose = std::max(slowestDose, us);
    }
    met = slowestFit < 10 && slowestDose < 100;
    out << "slowest: fit " << QString::number(slowestFit, 'f', 3)
        << " ms (goal: under 10 ms), dose " << QString::number(slowestDose, 'f', 3)
        << " µs (goal: under 100 µs): " << (met ? "met" : "NOT MET") << Qt::endl;
    return met || quick ? 0 : 1;
}
