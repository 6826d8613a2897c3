#include "capturejson.h"

#include "common/readingjson.h"

QJsonObject CaptureJson::toJson(const Capture &capture)
{
    return {
        {QStringLiteral("absorbance"), capture.absorbance},
        {QStringLiteral("spread"), capture.spread},
        {QStringLiteral("wavelength"), qint64(capture.wavelength)},
        {QStringLiteral("readings"), capture.readings},
        {QStringLiteral("first_sequence"), qint64(capture.firstSequence)},
        {QStringLiteral("last_sequence"), qint64(capture.lastSequence)},
        {QStringLiteral("time"), ReadingJson::utcTime(capture.time)},
        {QStringLiteral("time_us"), capture.time},
    };
}

Capture CaptureJson::fromJson(const QJsonObject &object)
{
    Capture c;
    c.absorbance = object.value(QStringLiteral("absorbance")).toDouble();
    c.spread = object.value(QStringLiteral("spread")).toDouble();
    c.wavelength = quint32(object.value(QStringLiteral("wavelength")).toInteger());
    c.readings = object.value(QStringLiteral("readings")).toInt();
    c.firstSequence = quint64(object.value(QStringLiteral("first_sequence")).toInteger());
    c.lastSequence = quint64(object.value(QStringLiteral("last_sequence")).toInteger());
    c.time = object.value(QStringLiteral("time_us")).toInteger();
    return c;
}
