#pragma once

#include <QTimer>
#include <QWidget>

class IndicatorModel;
class QLabel;
class ActivityBar;

// Shows the indicators: the absorbance in large type, the wavelength and its unit, the
// activity bar and the status text, which is hidden while readings are good.
class IndicatorView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRefreshIntervalMs = 100;

    explicit IndicatorView(IndicatorModel &model, QWidget *parent = nullptr);

private:
    void showModel();

    const IndicatorModel &m_model;
    QTimer m_refresh;
    QLabel *m_absorbance = nullptr;
    QLabel *m_wavelength = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_errorcode = nullptr;
    ActivityBar *m_progress = nullptr;
};
