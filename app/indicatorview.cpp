#include "app/indicatorview.h"

#include "app/fonts.h"
#include "app/indicatormodel.h"
#include "app/twips.h"

#include <QLabel>
#include <QProgressBar>


IndicatorView::IndicatorView(IndicatorModel &model, QWidget *parent)
    : QWidget(parent)
    , m_absorbance(new QLabel(this))
    , m_wavelength(new QLabel(this))
    , m_label1(new QLabel(this))
    , m_errorcode(new QLabel(this))
    , m_progress(new QProgressBar(this))
{
    m_absorbance->setObjectName(QStringLiteral("absorbance"));
    m_wavelength->setObjectName(QStringLiteral("wavelength"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_errorcode->setObjectName(QStringLiteral("errorcode"));
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    const qreal dpi = Twips::dpiOf(this);
    setFixedSize(Twips::size(2325, 2250, dpi));
    m_absorbance->setGeometry(Twips::rect(240, 120, 1695, 615, dpi));
    m_absorbance->setFont(Fonts::font("Arial", 24));
    m_absorbance->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_wavelength->setGeometry(Twips::rect(360, 720, 735, 375, dpi));
    m_wavelength->setFont(Fonts::font("MS Sans Serif", 13.5));
    m_label1->setGeometry(Twips::rect(1440, 720, 495, 375, dpi));
    m_label1->setFont(Fonts::font("MS Sans Serif", 13.5));
    m_progress->setGeometry(Twips::rect(480, 1080, 1335, 135, dpi));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_errorcode->setGeometry(Twips::rect(360, 1320, 1575, 855, dpi));
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
