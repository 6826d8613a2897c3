#include "app/indicatorview.h"

#include "app/indicatormodel.h"

#include <QLabel>
#include <QProgressBar>

namespace {

// Positions are given in twips, 1/1440 inch: 15 to a pixel at 96 DPI.
QRect twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

QFont fontOf(const char *family, double points)
{
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    return f;
}

} // namespace

IndicatorView::IndicatorView(IndicatorModel &model, QWidget *parent)
    : QWidget(parent)
    , m_absorbance(new QLabel(this))
    , m_wavelength(new QLabel(this))
    , m_label1(new QLabel(this))
    , m_errorcode(new QLabel(this))
    , m_progress(new QProgressBar(this))
{
    setFixedSize(2325 / 15, 2250 / 15);
    m_absorbance->setGeometry(twips(240, 120, 1695, 615));
    m_absorbance->setFont(fontOf("Arial", 24));
    m_absorbance->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_wavelength->setGeometry(twips(360, 720, 735, 375));
    m_wavelength->setFont(fontOf("MS Sans Serif", 13.5));
    m_label1->setGeometry(twips(1440, 720, 495, 375));
    m_label1->setFont(fontOf("MS Sans Serif", 13.5));
    m_progress->setGeometry(twips(480, 1080, 1335, 135));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_errorcode->setGeometry(twips(360, 1320, 1575, 855));
    m_errorcode->setWordWrap(true);
    m_errorcode->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    using Item = IndicatorModel::Item;
    for (Item item : {Item::Absorbance, Item::Wavelength, Item::Label1, Item::Errorcode})
        showText(static_cast<int>(item), model.text(item));
    m_errorcode->setVisible(model.errorcodeVisible());
    m_progress->setValue(model.progress());

    connect(&model, &IndicatorModel::textAssigned, this,
            [this](Item item, const QString &text) { showText(static_cast<int>(item), text); });
    connect(&model, &IndicatorModel::errorcodeVisibilityAssigned, m_errorcode, &QLabel::setVisible);
    connect(&model, &IndicatorModel::progressAssigned, m_progress, &QProgressBar::setValue);
}

void IndicatorView::showText(int item, const QString &text)
{
    QLabel *labels[] = {m_absorbance, m_wavelength, m_label1, m_errorcode};
    labels[item]->setText(text);
}
