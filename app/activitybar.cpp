#include "app/activitybar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

ActivityBar::ActivityBar(QWidget *parent)
    : QWidget(parent)
{
}

void ActivityBar::setValue(int value)
{
    value = qBound(0, value, 100);
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void ActivityBar::paintEvent(QPaintEvent *)
{
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = 100;
    option.progress = m_value;
    option.textVisible = false;
    QStylePainter painter(this);
    painter.drawControl(QStyle::CE_ProgressBar, option);
}
