#pragma once

#include <QObject>
#include <QString>

// The main window's indicators without the widgets: the decoder and the watchdog write them,
// the window shows them and the publication passes them on. Every assignment is announced,
// also one that leaves a text as it was, so that observers see each record.
class IndicatorModel : public QObject {
    Q_OBJECT

public:
    enum class Item { Absorbance, Wavelength, Label1, Errorcode };
    Q_ENUM(Item)

    explicit IndicatorModel(QObject *parent = nullptr);

    QString text(Item item) const;
    void setText(Item item, const QString &text);

    bool errorcodeVisible() const { return m_errorcodeVisible; }
    void setErrorcodeVisible(bool visible);

    // The activity bar, 0 to 100.
    int progress() const { return m_progress; }
    void setProgress(int value);

signals:
    void textAssigned(IndicatorModel::Item item, const QString &text);
    void errorcodeVisibilityAssigned(bool visible);
    void progressAssigned(int value);

private:
    QString m_texts[4];
    bool m_errorcodeVisible = false;
    int m_progress = 0;
};
