#pragma once

#include <QList>
#include <QWidget>

class QMenu;
class QMenuBar;

// A menu bar that goes on in a further row when its menus do not fit the window's width, as
// the reader's own platform did, so that every menu stays one click or one mnemonic away
// instead of hiding behind an extension button. The window's layout asks it for its height at
// the window's width, so the client area below keeps its size.
class WrappingMenuBar : public QWidget {
    Q_OBJECT

public:
    explicit WrappingMenuBar(QWidget *parent = nullptr);

    QMenu *addMenu(const QString &title);
    QList<QMenu *> menus() const { return m_menus; }
    // The rows in use, top first; each holds at least one menu.
    QList<QMenuBar *> rows() const { return m_rows; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Row {
        QList<QAction *> titles;
        QSize size;
    };
    // The size of one row that holds these titles.
    QSize measure(const QList<QAction *> &titles) const;
    // The menus' titles in rows of at most this width, each row as full as it can be.
    QList<Row> pack(int width) const;
    void arrange();

    QList<QMenu *> m_menus;
    QList<QMenuBar *> m_rows;
    // Measures rows without showing them; it holds no title between measurements.
    QMenuBar *m_ruler;
};
