#include "app/activitybar.h"

#include "app/drawingchange.h"

#include <QPainter>
#include <QStyleOptionProgressBar>

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

QPixmap ActivityBar::drawn(int value)
{
    const qreal ratio = devicePixelRatioF();
    const auto found = m_drawn.constFind(value);
    // Moved to a screen of another scale, the bar is drawn again.
    if (found != m_drawn.constEnd() && found->devicePixelRatio() == ratio)
        return *found;
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = 100;
    option.progress = value;
    option.textVisible = false;
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
    painter.end();
    m_drawn.insert(value, picture);
    return picture;
}

void ActivityBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, drawn(m_value));
}

void ActivityBar::resizeEvent(QResizeEvent *event)
{
    m_drawn.clear();
    QWidget::resizeEvent(event);
}

void ActivityBar::changeEvent(QEvent *event)
{
    if (changesDrawing(event))
        m_drawn.clear();
    QWidget::changeEvent(event);
}
