#include "fit/curvefit.h"
#include "fit/dosecurve.h"
#include "fit/fdistribution.h"

#include "support/calibrationpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// The significant digits in which `actual` agrees with `expected`.
double digits(double actual, double expected)
{
    return actual == expected ? 17
                              : -std::log10(std::fabs(actual - expected) / std::fabs(expected));
}

// One of NIST's Statistical Reference Datasets for nonlinear regression, in NIST's own format.
struct Certified {
    QList<FitPoint> points;
    std::vector<double> start1, start2, values, errors;
    double rss = 0, rsd = 0;
};

Certified readCertified(const QString &name)
{
    QFile file(qEnvironmentVariable("ZAV41K_TEST_DATA") + "/nist/"_L1 + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    Certified c;
    bool data = false;
    const QRegularExpression parameter(
        u"^\\s*b\\d+\\s*=\\s*(\\S+)\\s+(\\S+)\\s+(\\S+)\\s+(\\S+)"_s);
    const auto last = [](const QString &line) { return line.section(u' ', -1).toDouble(); };
    for (const QString &line : QString::fromLatin1(file.readAll()).split(u'\n')) {
        const QStringList fields = line.simplified().split(u' ');
        if (const QRegularExpressionMatch m = parameter.match(line); m.hasMatch()) {
            c.start1.push_back(m.captured(1).toDouble());
            c.start2.push_back(m.captured(2).toDouble());
            c.values.push_back(m.captured(3).toDouble());
            c.errors.push_back(m.captured(4).toDouble());
        } else if (line.startsWith("Residual Sum of Squares:"_L1)) {
            c.rss = last(line.trimmed());
        } else if (line.startsWith("Residual Standard Deviation:"_L1)) {
            c.rsd = last(line.trimmed());
        } else if (line.startsWith("Data:"_L1) && fields.value(1) == "y"_L1) {
            data = true;
        } else if (data && fields.size() == 2) {
            c.points << FitPoint{fields[1].toDouble(), fields[0].toDouble(), 0};
        }
    }
    return c;
}

FitResult fitted(const QString &form, const QList<FitPoint> &points,
                 const std::vector<double> &start = {})
{
    const Outcome<FitResult> r = CurveFit::fit(*CalibrationForm::parse(form), points, start);
    if (!r)
        qFatal("%s: %s", qPrintable(form), qPrintable(r.failure().description));
    return r.value();
}

QByteArray pointsText(const QList<FitPoint> &points)
{
    QByteArray text;
    for (const FitPoint &p : points)
        text += QByteArray::number(p.x, 'g', 17) + ' ' + QByteArray::number(p.y, 'g', 17) + '\n';
    return text;
}

struct Run {
    int status;
    QByteArray out, err;
};

Run dosimetry(const QStringList &arguments)
{
    QProcess p;
    p.start(qEnvironmentVariable("ZAV41K_DOSIMETRY"), arguments);
    if (!p.waitForFinished(30000))
        qFatal("zav41k-dosimetry did not finish");
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace

class TestFit : public QObject {
    Q_OBJECT

private slots:
    void certified_data();
    void certified();
    void polynomialExact_data();
    void polynomialExact();
    void lackOfFit();
    void fTail_data();
    void fTail();
    void doseUncertainty_data();
    void doseUncertainty();
    void outsideTheRange();
    void fitCommand();
    void refused_data();
    void refused();
};

void TestFit::certified_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("start");
    for (int start = 0; start <= 2; ++start)
        QTest::addRow("Misra1a, start %d", start) << u"Misra1a.dat"_s << u"exponential"_s << start;
}

void TestFit::certified()
{
    QFETCH(QString, file);
    QFETCH(QString, form);
    QFETCH(int, start);
    const Certified c = readCertified(file);
    QVERIFY(!c.points.isEmpty() && !c.values.empty());
    const std::vector<double> from[] = {{}, c.start1, c.start2};
    const FitResult r = fitted(form, c.points, from[start]);
    for (std::size_t k = 0; k < c.values.size(); ++k) {
        QVERIFY2(digits(r.parameters[k].value, c.values[k]) >= 6, qPrintable(r.parameters[k].name));
        QVERIFY2(digits(r.parameters[k].standardError, c.errors[k]) >= 4,
                 qPrintable(r.parameters[k].name));
    }
    QVERIFY(digits(r.residualSumOfSquares, c.rss) >= 6);
    QVERIFY(digits(r.residualStandardDeviation, c.rsd) >= 6);
    QCOMPARE(r.degreesOfFreedom, int(c.points.size() - c.values.size()));
}

void TestFit::polynomialExact_data()
{
    QTest::addColumn<int>("degree");
    QTest::addColumn<double>("shift");
    QTest::addColumn<double>("wanted"); // significant digits
    for (int degree = 1; degree <= 4; ++degree) {
        QTest::addRow("degree %d", degree) << degree << 0.0 << 9.0;
        // Far from zero the powers of x are nearly parallel: the normal equations lose all.
        QTest::addRow("degree %d, x + 50", degree) << degree << 50.0 << 6.0;
    }
}

void TestFit::polynomialExact()
{
    QFETCH(int, degree);
    QFETCH(double, shift);
    QFETCH(double, wanted);
    const QList<FitPoint> points = calibrationPoints(shift);
    QProcess exact;
    exact.start(u"python3"_s, {QFINDTESTDATA("fit/exactpolynomial.py"), QString::number(degree)});
    exact.write(pointsText(points));
    exact.closeWriteChannel();
    QVERIFY(exact.waitForFinished(60000));
    const QList<QByteArray> expected = exact.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(expected.size(), degree + 2);
    const FitResult r = fitted(u"polynomial:%1"_s.arg(degree), points);
    for (int k = 0; k <= degree; ++k)
        QVERIFY2(digits(r.parameters[k].value, expected[k].toDouble()) >= wanted,
                 qPrintable(u"c%1: %2 against %3"_s.arg(k)
                                .arg(r.parameters[k].value, 0, 'g', 17)
                                .arg(QString::fromLatin1(expected[k]))));
    QVERIFY(digits(r.residualSumOfSquares, expected.last().toDouble()) >= wanted);
}

void TestFit::lackOfFit()
{
    // Response from dose, doses repeated: the classical split of the residuals into the
    // scatter about each dose's mean (pure error) and the rest.
    const QList<FitPoint> points = swapped(calibrationPoints());
    const FitResult r = fitted(u"hyperbolic"_s, points);
    double pureError = 0;
    for (qsizetype g = 0; g < points.size(); g += 3) {
        const double mean = (points[g].y + points[g + 1].y + points[g + 2].y) / 3;
        for (qsizetype i = g; i < g + 3; ++i)
            pureError += (points[i].y - mean) * (points[i].y - mean);
    }
    QVERIFY(r.lackOfFit);
    QCOMPARE(r.lackOfFit->degreesOfFreedom, 10 - 2);
    QCOMPARE(r.lackOfFit->pureErrorDegreesOfFreedom, 30 - 10);
    const double f = ((r.residualSumOfSquares - pureError) / 8) / (pureError / 20);
    QVERIFY(digits(r.lackOfFit->f, f) >= 9);
    // The films saturate exponentially, not hyperbolically: the test sees it.
    QVERIFY(r.lackOfFit->p < 0.01);
    QVERIFY(fitted(u"exponential"_s, points).lackOfFit->p > 0.05);
    QCOMPARE(r.levels.size(), 10);
    QVERIFY(r.levels.first().variation > 0.1 && r.levels.first().variation < 1.5);
    // Doses equal to nine digits are one dose, also when the later one is the larger.
    QList<FitPoint> near = points;
    near[1].x *= 1 + 1e-12;
    QCOMPARE(fitted(u"hyperbolic"_s, near).lackOfFit->degreesOfFreedom, 10 - 2);
}

void TestFit::fTail_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("d1");
    QTest::addColumn<double>("d2");
    QTest::addColumn<double>("p");
    // From printed tables of the F distribution's upper percentage points.
    QTest::newRow("1, 10 at 5 %") << 4.965 << 1.0 << 10.0 << 0.05;
    QTest::newRow("3, 12 at 5 %") << 3.490 << 3.0 << 12.0 << 0.05;
    QTest::newRow("2, 20 at 1 %") << 5.849 << 2.0 << 20.0 << 0.01;
    QTest::newRow("8, 20 at 5 %") << 2.447 << 8.0 << 20.0 << 0.05;
    QTest::newRow("median of 5, 5") << 1.0 << 5.0 << 5.0 << 0.5;
}

void TestFit::fTail()
{
    QFETCH(double, f);
    QFETCH(double, d1);
    QFETCH(double, d2);
    QFETCH(double, p);
    QVERIFY2(std::fabs(fUpperTail(f, d1, d2) - p) < 2e-4 * p / 0.05,
             qPrintable(QString::number(fUpperTail(f, d1, d2))));
}

void TestFit::doseUncertainty_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<double>("response"); // Δk, per mm
    for (const char *form : {"polynomial:3", "exponential"}) {
        for (double response : {3.5, 20.0, 36.0})
            QTest::addRow("%s at %g", form, response) << QString::fromLatin1(form) << response;
    }
}

void TestFit::doseUncertainty()
{
    QFETCH(QString, form);
    QFETCH(double, response);
    const CalibrationForm shape = *CalibrationForm::parse(form);
    const QList<FitPoint> points =
        shape.givesDoseFromResponse() ? calibrationPoints() : swapped(calibrationPoints());
    const FitResult r = fitted(form, points);
    const DoseCurve curve{shape, r.values(), r.covariance, 0, 40, 1, 0.012};
    const double responseUncertainty = 0.006 * response;
    const DoseEstimate e = estimateDose(curve, response, responseUncertainty);
    QCOMPARE(e.reason, DoseEstimate::None);

    // Monte Carlo: the parameters drawn from their covariance (through its Cholesky factor),
    // the response and the reference doses' scale from theirs.
    const std::size_t n = curve.parameters.size();
    std::vector<double> lower(n * n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j <= i; ++j) {
            double s = curve.covariance[i * n + j];
            for (std::size_t k = 0; k < j; ++k)
                s -= lower[i * n + k] * lower[j * n + k];
            lower[i * n + j] = i == j ? std::sqrt(s) : s / lower[j * n + j];
        }
    }
    std::mt19937_64 random(2026);
    std::normal_distribution<double> normal;
    const int draws = 100000;
    double sum = 0, squares = 0;
    std::vector<double> z(n), p(n);
    for (int draw = 0; draw < draws; ++draw) {
        for (double &v : z)
            v = normal(random);
        for (std::size_t i = 0; i < n; ++i) {
            p[i] = curve.parameters[i];
            for (std::size_t k = 0; k <= i; ++k)
                p[i] += lower[i * n + k] * z[k];
        }
        const double x = response + responseUncertainty * normal(random);
        const double scale = 1 + curve.referenceUncertainty * normal(random);
        const double dose = scale * (shape.givesDoseFromResponse() ? shape.value(x, p)
                                                                   : shape.inverse(x, p).value());
        sum += dose;
        squares += dose * dose;
    }
    const double mean = sum / draws;
    const double spread = std::sqrt((squares - draws * mean * mean) / (draws - 1));
    QVERIFY2(std::fabs(e.standardUncertainty / spread - 1) < 0.05,
             qPrintable(u"%1 Gy by the law of propagation, %2 Gy by Monte Carlo"_s
                            .arg(e.standardUncertainty)
                            .arg(spread)));
    QVERIFY(std::fabs(e.expandedUncertainty - 2 * e.standardUncertainty) < 1e-9);
}

void TestFit::outsideTheRange()
{
    const FitResult r = fitted(u"polynomial:2"_s, calibrationPoints());
    const DoseCurve curve{r.form, r.values(), r.covariance, 3, 38, 1, 0};
    QCOMPARE(estimateDose(curve, 2.9, 0.01).reason, DoseEstimate::OutsideRange);
    QCOMPARE(estimateDose(curve, 38.1, 0.01).reason, DoseEstimate::OutsideRange);
    QCOMPARE(estimateDose(curve, 38, 0.01).reason, DoseEstimate::None);
}

void TestFit::fitCommand()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(u"misra1a.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Commas and comments, as a spreadsheet exports them.
    file.write("# pressure, volume\n" +
               pointsText(readCertified(u"Misra1a.dat"_s).points).replace(' ', ", "));
    file.close();
    const Run run =
        dosimetry({u"fit"_s, u"--form"_s, u"exponential"_s, u"--json"_s, file.fileName()});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(o.value("degrees_of_freedom"_L1).toInt(), 12);
    QVERIFY(digits(o.value("residual_sum_of_squares"_L1).toDouble(), 1.2455138894e-01) >= 6);
    const QJsonObject b = o.value("parameters"_L1).toArray().at(1).toObject();
    QCOMPARE(b.value("name"_L1).toString(), u"b"_s);
    QVERIFY(digits(b.value("value"_L1).toDouble(), 5.5015643181e-04) >= 6);
    QVERIFY(digits(b.value("standard_error"_L1).toDouble(), 7.2668688436e-06) >= 4);
}

void TestFit::refused_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("status");
    QTest::newRow("fewer points than parameters")
        << u"rational"_s << QByteArray("1 2\n2 3\n3 5\n") << u"needs at least 4 points"_s << 1;
    QTest::newRow("not a number, named by line")
        << u"polynomial:1"_s << QByteArray("# x y\n1 2\n2 3\n3 nan\n") << u"Line 4: \"nan\""_s << 1;
    QTest::newRow("a word") << u"polynomial:1"_s << QByteArray("1 2\n2 tree\n3 4\n")
                            << u"Line 2: \"tree\""_s << 1;
    QTest::newRow("all x equal") << u"polynomial:1"_s << QByteArray("1 2\n1 3\n1 4\n")
                                 << u"same x"_s << 1;
    QTest::newRow("one column") << u"power"_s << QByteArray("1 2\n2\n") << u"Line 2"_s << 1;
    QTest::newRow("uncertainty zero")
        << u"power"_s << QByteArray("1 2 0.1\n2 3 0\n") << u"Line 2"_s << 1;
    // A straight line is the limit of a pole gone to infinity: no finite optimum.
    QTest::newRow("no curve of the form")
        << u"rational"_s << QByteArray("1 1\n2 2\n3 3\n4 4\n5 5\n6 6\n")
        << u"rational does not converge"_s << 1;
    QTest::newRow("a pole among the points")
        << u"hyperbolic"_s << QByteArray("1 -5\n2 3\n3 -1\n4 4\n5 -3\n") << u"pole"_s << 1;
    // A result that overflows would be kept as a calibration like any other.
    QTest::newRow("parameters beyond a double")
        << u"polynomial:1"_s << QByteArray("1e-320 1\n2e-320 2\n3e-320 3\n")
        << u"too large or too small"_s << 1;
    QTest::newRow("squares beyond a double")
        << u"polynomial:1"_s << QByteArray("1 1e200\n2 3e200\n3 2e200\n")
        << u"too large or too small"_s << 1;
    QTest::newRow("unknown form") << u"polynomial:5"_s << QByteArray("1 2\n2 3\n")
                                  << u"polynomial:5"_s << 2;
}

void TestFit::refused()
{
    QFETCH(QString, form);
    QFETCH(QByteArray, text);
    QFETCH(QString, said);
    QFETCH(int, status);
    QTemporaryDir dir;
    QFile file(dir.filePath(u"points.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    file.close();
    const Run run = dosimetry({u"fit"_s, u"--form"_s, form, file.fileName()});
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(QString::fromUtf8(run.err).contains(said), run.err.constData());
}

QTEST_GUILESS_MAIN(TestFit)
#include "tst_fit.moc"
