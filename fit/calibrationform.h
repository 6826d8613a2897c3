#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One of the functions a calibration is fitted with, `x` the variable and `y` the fitted
// quantity. Polynomials, `power` and `rational` give the dose from the response; `exponential`
// and `hyperbolic` give the response from the dose and are inverted for the dose.
class CalibrationForm {
public:
    enum Kind { Polynomial, Power, Rational, Exponential, Hyperbolic };

    // "polynomial:N" (N = 1..4), "power", "rational", "exponential", "hyperbolic".
    static std::optional<CalibrationForm> parse(const QString &name);
    // Every form, in the order a calibration shows them side by side.
    static QList<CalibrationForm> all();

    Kind kind() const { return m_kind; }
    int degree() const { return m_degree; }
    QString name() const;
    QStringList parameterNames() const;
    int parameterCount() const;
    bool givesDoseFromResponse() const { return m_kind <= Rational; }

    double value(double x, const std::vector<double> &p) const;
    // ∂y/∂p, one for each parameter.
    std::vector<double> gradient(double x, const std::vector<double> &p) const;
    // ∂y/∂x.
    double slope(double x, const std::vector<double> &p) const;
    // The x at which the function reaches y, for the forms inverted for the dose; none where
    // the function never reaches it.
    std::optional<double> inverse(double y, const std::vector<double> &p) const;

    bool operator==(const CalibrationForm &other) const
    {
        return m_kind == other.m_kind && m_degree == other.m_degree;
    }

private:
    CalibrationForm(Kind kind, int degree)
        : m_kind(kind)
        , m_degree(degree)
    {
    }

    Kind m_kind;
    int m_degree; // polynomials only
};
