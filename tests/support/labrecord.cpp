#include "support/labrecord.h"

#include "fit/calibrationform.h"
#include "record/calibrationbook.h"
#include "record/checkbook.h"

#include <QTest>

using namespace Qt::StringLiterals;

Capture film(double absorbance, quint64 first)
{
    return Capture{absorbance, 0.001, 4, first, first + 3, 1'800'000'000'000'000, 510};
}

LabRecord::LabRecord(int replicates, Doses doses, const Place &place)
    : path(place ? place(dir) : dir.filePath(u"lab.sqlite"_s))
    , record(path)
{
    prepare(replicates, doses);
}

void LabRecord::prepare(int replicates, Doses doses)
{
    QVERIFY(record.open());
    QVERIFY(book.addReader({u"R1"_s, u"SN-7"_s, 0.020}));
    QVERIFY(book.addBatch({u"B1"_s, u"L-2026"_s, 20.0, 0.5}));
    QVERIFY(book.addBackground(u"B1"_s, 510, {film(0.180, 1), film(0.184, 10)}));
    if (doses == Dosed) {
        CheckBook checks(record);
        QVERIFY(
            checks.addStandard({u"F510"_s, 510, 0.500, 0.010, QDate::currentDate().addDays(30)}));
        QVERIFY(checks.addCheck(u"F510"_s, u"R1"_s, film(0.503, 1)));
        CalibrationBook calibrations(record);
        CalibrationPoints p{0, u"B1"_s, u"R1"_s, 510, u"lab.csv"_s, {}};
        for (int i = 0; i <= 5; ++i)
            p.points << CalibrationPoint{u"C%1"_s.arg(i), 10000.0 * i, 100,
                                         10.0 * i + 0.01 * (i % 2)};
        const Outcome<CalibrationPoints> points = calibrations.addPoints(p);
        QVERIFY(points);
        const Outcome<Calibration> fitted =
            calibrations.fit(points.value().id, *CalibrationForm::parse(u"polynomial:1"_s), false);
        QVERIFY(fitted);
        QVERIFY(calibrations.approve(fitted.value().id, QDate::currentDate().addDays(30)));
    }
    Session s;
    s.batch = u"B1"_s;
    s.reader = u"R1"_s;
    s.wavelength = 510;
    s.replicates = replicates;
    const Outcome<Session> started = book.startSession(s);
    QVERIFY(started);
    session = started.value().id;
}
