#pragma once

#include <QLabel>
#include <QPixmap>

class QPainter;

// A label of plain text that keeps a picture of the text it shows once it paints it a second
// time, and copies the picture after. The window's labels overlap their neighbours by a pixel,
// as the form placed them, so each change of the absorbance or the activity bar repaints the
// wavelength and its unit too, ten times a second at line rate; laying out and drawing their
// text again each time was most of what painting cost. It draws as QLabel does; with a frame,
// an indent or a buddy it leaves it to QLabel.
class ValueLabel : public QLabel {
    Q_OBJECT

public:
    explicit ValueLabel(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool drawnAsPicture() const;
    void drawText(QPainter &painter) const;
    const QPixmap &picture();

    QPixmap m_picture;
    QString m_pictureText; // the text the picture shows
    QString m_drawnText;   // the text last drawn without a picture
};
