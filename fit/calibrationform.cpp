#include "calibrationform.h"

#include <cmath>

namespace {

const char *const kNames[] = {"polynomial", "power", "rational", "exponential", "hyperbolic"};

// x^n, taken as 0 at x = 0 so that the power form is defined where the response is nil.
double powerOf(double x, double n)
{
    return x == 0 ? 0 : std::pow(x, n);
}

} // namespace

std::optional<CalibrationForm> CalibrationForm::parse(const QString &name)
{
    const QString polynomial = QStringLiteral("polynomial:");
    if (name.startsWith(polynomial)) {
        bool ok = false;
        const int degree = name.mid(polynomial.size()).toInt(&ok);
        if (ok && degree >= 1 && degree <= 4)
            return CalibrationForm(Polynomial, degree);
        return std::nullopt;
    }
    for (int kind = Power; kind <= Hyperbolic; ++kind) {
        if (name == QLatin1String(kNames[kind]))
            return CalibrationForm(Kind(kind), 0);
    }
    return std::nullopt;
}

QList<CalibrationForm> CalibrationForm::all()
{
    QList<CalibrationForm> forms;
    for (int degree = 1; degree <= 4; ++degree)
        forms << CalibrationForm(Polynomial, degree);
    for (int kind = Power; kind <= Hyperbolic; ++kind)
        forms << CalibrationForm(Kind(kind), 0);
    return forms;
}

QString CalibrationForm::name() const
{
    const QString base = QLatin1String(kNames[m_kind]);
    return m_kind == Polynomial ? base + QLatin1Char(':') + QString::number(m_degree) : base;
}

QStringList CalibrationForm::parameterNames() const
{
    switch (m_kind) {
    case Polynomial: {
        QStringList names;
        for (int k = 0; k <= m_degree; ++k)
            names << QStringLiteral("c%1").arg(k);
        return names;
    }
    case Power: return {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("n")};
    case Rational: return {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    case Exponential:
    case Hyperbolic: break;
    }
    return {QStringLiteral("a"), QStringLiteral("b")};
}

int CalibrationForm::parameterCount() const
{
    return int(parameterNames().size());
}

double CalibrationForm::value(double x, const std::vector<double> &p) const
{
    switch (m_kind) {
    case Polynomial: {
        double y = 0;
        for (int k = m_degree; k >= 0; --k)
            y = y * x + p[k];
        return y;
    }
    case Power: return p[0] * x + p[1] * powerOf(x, p[2]);
    case Rational: return p[0] + p[1] / (x - p[2]);
    case Exponential: return p[0] * -std::expm1(-p[1] * x);
    case Hyperbolic: break;
    }
    return p[0] * p[1] * x / (1 + p[1] * x);
}

std::vector<double> CalibrationForm::gradient(double x, const std::vector<double> &p) const
{
    switch (m_kind) {
    case Polynomial: {
        std::vector<double> g(m_degree + 1);
        double power = 1;
        for (double &term : g) {
            term = power;
            power *= x;
        }
        return g;
    }
    case Power: {
        const double xn = powerOf(x, p[2]);
        return {x, xn, x > 0 ? p[1] * xn * std::log(x) : 0};
    }
    case Rational: {
        const double r = 1 / (x - p[2]);
        return {1, r, p[1] * r * r};
    }
    case Exponential: {
        const double e = std::exp(-p[1] * x);
        return {-std::expm1(-p[1] * x), p[0] * x * e};
    }
    case Hyperbolic: break;
    }
    const double d = 1 + p[1] * x;
    return {p[1] * x / d, p[0] * x / (d * d)};
}

double CalibrationForm::slope(double x, const std::vector<double> &p) const
{
    switch (m_kind) {
    case Polynomial: {
        double s = 0;
        for (int k = m_degree; k >= 1; --k)
            s = s * x + k * p[k];
        return s;
    }
    case Power: return p[0] + p[1] * p[2] * powerOf(x, p[2] - 1);
    case Rational: {
        const double r = 1 / (x - p[2]);
        return -p[1] * r * r;
    }
    case Exponential: return p[0] * p[1] * std::exp(-p[1] * x);
    case Hyperbolic: break;
    }
    const double d = 1 + p[1] * x;
    return p[0] * p[1] / (d * d);
}

std::optional<double> CalibrationForm::inverse(double y, const std::vector<double> &p) const
{
    double x = std::nan("");
    if (m_kind == Exponential) {
        // y = a(1 − e^(−bx))  ⇒  x = −ln(1 − y/a) / b
        x = -std::log1p(-y / p[0]) / p[1];
    } else if (m_kind == Hyperbolic) {
        // y = abx / (1 + bx)  ⇒  x = y / (b(a − y))
        x = y / (p[1] * (p[0] - y));
        if (p[0] * (p[0] - y) <= 0) // beyond the asymptote
            x = std::nan("");
    }
    if (!std::isfinite(x))
        return std::nullopt;
    return x;
}
