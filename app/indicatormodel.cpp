#include "app/indicatormodel.h"

#include "publish/linknames.h"

IndicatorModel::IndicatorModel(QObject *parent)
    : QObject(parent)
{
    m_texts[static_cast<int>(Item::Wavelength)] = QStringLiteral("600");
    m_texts[static_cast<int>(Item::Label1)] = QStringLiteral("nm");
    m_texts[static_cast<int>(Item::Errorcode)] = QStringLiteral("0");
}

const char *IndicatorModel::itemName(Item item)
{
    switch (item) {
    case Item::Absorbance: return LinkNames::kAbsorbance;
    case Item::Wavelength: return LinkNames::kWavelength;
    case Item::Label1: return LinkNames::kLabel1;
    case Item::Errorcode: return LinkNames::kErrorcode;
    }
    return "";
}

QString IndicatorModel::text(Item item) const
{
    return m_texts[static_cast<int>(item)];
}

void IndicatorModel::setText(Item item, const QString &text)
{
    m_texts[static_cast<int>(item)] = text;
    emit textAssigned(item, text);
}

void IndicatorModel::setErrorcodeVisible(bool visible)
{
    m_errorcodeVisible = visible;
    emit errorcodeVisibilityAssigned(visible);
}

void IndicatorModel::setProgress(int value)
{
    m_progress = qBound(0, value, 100);
    emit progressAssigned(m_progress);
}
