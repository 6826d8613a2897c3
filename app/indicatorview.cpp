#include "app/indicatorview.h"

#include "app/activitybar.h"
#include "app/valuelabel.h"
#include "common/indicatormodel.h"
#include "ui/fonts.h"
#include "ui/twips.h"

#include <QLabel>

IndicatorView::IndicatorView(IndicatorModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_absorbance(new ValueLabel(this))
    , m_wavelength(new ValueLabel(this))
    , m_label1(new ValueLabel(this))
    , m_errorcode(new ValueLabel(this))
    , m_progress(new ActivityBar(this))
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
    m_errorcode->setGeometry(Twips::rect(360, 1320, 1575, 855, dpi));
    m_errorcode->setWordWrap(true);
    m_errorcode->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    showModel();

    // The reader can send a hundred records a second; nobody reads that fast, and painting each
    // would cost more than everything else. The window shows the latest state ten times a
    // second instead, as a meter's display does; linked programs still receive every record at
    // once.
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kRefreshIntervalMs);
    connect(&m_refresh, &QTimer::timeout, this, &IndicatorView::showModel);
    auto refreshSoon = [this] {
        if (!m_refresh.isActive())
            m_refresh.start();
    };
    connect(&model, &IndicatorModel::textAssigned, this, refreshSoon);
    connect(&model, &IndicatorModel::errorcodeVisibilityAssigned, this, refreshSoon);
    connect(&model, &IndicatorModel::progressAssigned, this, refreshSoon);
}

void IndicatorView::showModel()
{
    using Item = IndicatorModel::Item;
    const std::pair<QLabel *, Item> labels[] = {{m_absorbance, Item::Absorbance},
                                                {m_wavelength, Item::Wavelength},
                                                {m_label1, Item::Label1},
                                                {m_errorcode, Item::Errorcode}};
    for (const auto &[label, item] : labels) {
        const QString text = m_model.text(item);
        if (label->text() != text)
            label->setText(text);
    }
    m_errorcode->setVisible(m_model.errorcodeVisible());
    m_progress->setValue(m_model.progress());
}
