#include "app/valuelabel.h"

#include "app/drawingchange.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

ValueLabel::ValueLabel(QWidget *parent)
    : QLabel(parent)
{
    // What the reader sends is shown as it stands, never read as markup.
    setTextFormat(Qt::PlainText);
}

bool ValueLabel::drawnAsPicture() const
{
    return textFormat() == Qt::PlainText && frameWidth() == 0 && indent() <= 0 && !buddy();
}

void ValueLabel::drawText(QPainter &painter) const
{
    // A painter on a picture starts from the application's font, not the label's.
    painter.setFont(font());
    painter.setLayoutDirection(layoutDirection());
    const QString shown = text();
    const Qt::LayoutDirection direction = shown.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    int flags =
        int(QStyle::visualAlignment(direction, alignment())) | Qt::TextExpandTabs |
        (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight : Qt::TextForceRightToLeft);
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    QStyleOption option;
    option.initFrom(this);
    const int inset = margin();
    style()->drawItemText(&painter, contentsRect().adjusted(inset, inset, -inset, -inset), flags,
                          option.palette, isEnabled(), shown, foregroundRole());
}

const QPixmap &ValueLabel::picture()
{
    const qreal ratio = devicePixelRatioF();
    if (!m_picture.isNull() && m_pictureText == text() && m_picture.devicePixelRatio() == ratio)
        return m_picture;
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    drawText(painter);
    painter.end();
    m_picture = picture;
    m_pictureText = text();
    return m_picture;
}

void ValueLabel::paintEvent(QPaintEvent *event)
{
    if (!drawnAsPicture()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    // A text is kept as a picture once it is painted a second time. The absorbance changes with
    // nearly every frame at line rate, and drawing it into a picture first would only add work.
    if (text() != m_pictureText && text() != m_drawnText) {
        m_drawnText = text();
        drawText(painter);
        return;
    }
    painter.drawPixmap(0, 0, picture());
}

void ValueLabel::resizeEvent(QResizeEvent *event)
{
    m_picture = {};
    QLabel::resizeEvent(event);
}

void ValueLabel::changeEvent(QEvent *event)
{
    if (changesDrawing(event))
        m_picture = {};
    QLabel::changeEvent(event);
}
