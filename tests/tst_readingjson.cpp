// A reading as a JSON line, as the bridge and the link client write it: what Qt's own JSON
// writer gives for the same object, byte for byte, since peers have always been sent that.

#include "common/readingjson.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The object as Qt's JSON classes write it.
QByteArray qtWritten(const Reading &r)
{
    QJsonObject json{
        {u"sequence"_s, qint64(r.sequence)},
        {u"time"_s, ReadingJson::utcTime(r.time)},
        {u"absorbance"_s, std::isfinite(r.absorbance) ? QJsonValue(r.absorbance) : QJsonValue()},
        {u"shown"_s, r.shown},
        {u"marker"_s, r.marker},
        {u"wavelength"_s, qint64(r.wavelength)},
        {u"status"_s, Reading::statusName(r.status)},
        {u"damaged"_s, r.damaged},
        {u"record"_s, r.record},
    };
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

// Microseconds as Qt writes the time to the millisecond, with the last three digits added.
QString qtTime(qint64 microseconds)
{
    const qint64 us = (microseconds % 1000 + 1000) % 1000;
    const QDateTime time = QDateTime::fromMSecsSinceEpoch((microseconds - us) / 1000, Qt::UTC);
    return time.toString(u"yyyy-MM-ddTHH:mm:ss.zzz"_s) + u"%1Z"_s.arg(us, 3, 10, QLatin1Char('0'));
}

} // namespace

class TestReadingJson : public QObject {
    Q_OBJECT

private slots:
    void sameAsQtWrites_data()
    {
        QTest::addColumn<Reading>("reading");
        auto row = [](const char *name, quint64 sequence, qint64 time, double absorbance,
                      const QString &shown, quint32 wavelength, Reading::Status status,
                      const QString &record) {
            Reading r;
            r.sequence = sequence;
            r.time = time;
            r.absorbance = absorbance;
            r.shown = shown;
            r.marker = shown == u"9999"_s;
            r.wavelength = wavelength;
            r.status = status;
            r.damaged = status == Reading::Status::Dropped;
            r.record = record;
            QTest::newRow(name) << r;
        };
        using S = Reading::Status;
        row("ok", 1, 1'796'000'000'123'456, 1.234, u"1.234"_s, 510, S::Ok, u"1234 000"_s);
        row("whole and tiny", 2, 0, 2.0, u"2.00"_s, 600, S::Ok, u"2000 100"_s);
        row("small", 3, -1, 0.0001, u"0.000"_s, 600, S::Ok, u"0000 100"_s);
        row("large", 4, 1, 1e15, u"HI"_s, 600, S::OverRange, u""_s);
        row("whole, to the last exact", 4, 1, 0x1p53, u"HI"_s, 600, S::OverRange, u""_s);
        row("whole, beyond", 4, 1, 0x1p53 + 2, u"HI"_s, 600, S::OverRange, u""_s);
        row("larger", 4, 1, -1e17, u"LO"_s, 600, S::UnderRange, u""_s);
        row("negative zero", 4, 1, -0.0, u"0.000"_s, 600, S::Ok, u""_s);
        row("no number", 0, 86'400'000'000, kNaN, u"LO"_s, 0, S::UnderRange, u"-012 000"_s);
        row("the marker", 5, 7, kNaN, u"9999"_s, 510, S::NoData, u"9999 100"_s);
        row("biggest count", std::numeric_limits<quint64>::max(), 2, -0.5, u"-0.500"_s,
            std::numeric_limits<quint32>::max(), S::Ok, u"x"_s);
        // Every byte a line can carry, one character each.
        QString bytes;
        for (int c = 0; c < 256; ++c)
            bytes += QChar(c);
        row("every byte", 6, 3, kNaN, bytes, 510, S::Dropped, bytes);
        row("beyond Latin-1", 7, 4, kNaN, u"µ€😀"_s + QChar(0xd800) + u"a"_s + QChar(0xdc00), 510,
            S::Dropped, u"\"\\"_s);
        row("year 10000", 8, 253'402'300'800'000'000, 1.5, u"1.500"_s, 510, S::Ok, u""_s);
        row("before year 1", 9, -62'135'596'800'000'001, 1.5, u"1.500"_s, 510, S::Ok, u""_s);
    }

    void sameAsQtWrites()
    {
        QFETCH(Reading, reading);
        QCOMPARE(ReadingJson::object(reading), qtWritten(reading));
    }

    void timeToTheMicrosecond_data()
    {
        QTest::addColumn<qint64>("microseconds");
        for (qint64 us :
             {qint64(0), qint64(-1), qint64(999'999), qint64(-1'000'000),
              qint64(951'782'400'000'001) /* 2000-02-29 */, qint64(1'796'000'000'123'456),
              qint64(253'402'300'799'999'999), qint64(-62'135'596'800'000'000) /* 0001-01-01 */})
            QTest::addRow("%lld", static_cast<long long>(us)) << us;
    }

    void timeToTheMicrosecond()
    {
        QFETCH(qint64, microseconds);
        QCOMPARE(ReadingJson::utcTime(microseconds), qtTime(microseconds));
    }
};

QTEST_GUILESS_MAIN(TestReadingJson)
#include "tst_readingjson.moc"
