#pragma once

#include <QWidget>

class IndicatorModel;
class QLabel;
class QProgressBar;

// Shows the indicators: the absorbance in large type, the wavelength and its unit, the
// activity bar and the status text, which is hidden while readings are good.
class IndicatorView : public QWidget {
    Q_OBJECT

public:
    explicit IndicatorView(IndicatorModel &model, QWidget *parent = nullptr);

private:
    void showText(int item, const QString &text);

    QLabel *m_absorbance = nullptr;
    QLabel *m_wavelength = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_errorcode = nullptr;
    QProgressBar *m_progress = nullptr;
};
