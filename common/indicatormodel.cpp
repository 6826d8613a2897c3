#include "common/indicatormodel.h"

IndicatorModel::IndicatorModel(QObject *parent)
    : QObject(parent)
{
    m_texts[static_cast<int>(Item::Wavelength)] = QStringLiteral("600");
    m_texts[static_cast<int>(Item::Label1)] = QStringLiteral("nm");
    m_texts[static_cast<int>(Item::Errorcode)] = QStringLiteral("0");
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
