#include "ui/wrappingmenubar.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>

namespace {

QMenuBar *newRow(QWidget *parent)
{
    auto *row = new QMenuBar(parent);
    // The rows are the window's own; a desktop's global menu would take one row only.
    row->setNativeMenuBar(false);
    return row;
}

void setTitles(QMenuBar *row, const QList<QAction *> &titles)
{
    if (row->actions() == titles)
        return;
    for (QAction *title : row->actions())
        row->removeAction(title);
    row->addActions(titles);
}

} // namespace

WrappingMenuBar::WrappingMenuBar(QWidget *parent)
    : QWidget(parent)
    , m_ruler(newRow(this))
{
    m_ruler->hide();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QMenu *WrappingMenuBar::addMenu(const QString &title)
{
    auto *menu = new QMenu(title, this);
    m_menus.append(menu);
    // A new caption may no longer fit its row, or may let the next menu move up.
    connect(menu->menuAction(), &QAction::changed, this, [this] {
        arrange();
        updateGeometry();
    });
    arrange();
    updateGeometry();
    return menu;
}

QSize WrappingMenuBar::measure(const QList<QAction *> &titles) const
{
    setTitles(m_ruler, titles);
    const QSize size = m_ruler->sizeHint();
    setTitles(m_ruler, {});
    return size;
}

QList<WrappingMenuBar::Row> WrappingMenuBar::pack(int width) const
{
    QList<Row> rows;
    Row row;
    for (QMenu *menu : m_menus) {
        QAction *title = menu->menuAction();
        if (!title->isVisible())
            continue;
        QList<QAction *> longer = row.titles;
        longer.append(title);
        const QSize size = measure(longer);
        if (size.width() > width && !row.titles.isEmpty()) {
            rows.append(row);
            row = Row{{title}, measure({title})};
        } else {
            row = Row{longer, size};
        }
    }
    // With no menu at all the bar keeps the height of an empty row.
    if (!row.titles.isEmpty() || rows.isEmpty())
        rows.append(row.titles.isEmpty() ? Row{{}, measure({})} : row);
    return rows;
}

int WrappingMenuBar::heightForWidth(int width) const
{
    int height = 0;
    for (const Row &row : pack(width))
        height += row.size.height();
    return height;
}

QSize WrappingMenuBar::sizeHint() const
{
    return pack(QWIDGETSIZE_MAX).first().size;
}

QSize WrappingMenuBar::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void WrappingMenuBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void WrappingMenuBar::arrange()
{
    const QList<Row> rows = pack(width());
    while (m_rows.size() > rows.size()) {
        // A row may be what sent the change, so it goes once that is handled.
        QMenuBar *spare = m_rows.takeLast();
        spare->hide();
        setTitles(spare, {});
        spare->deleteLater();
    }
    while (m_rows.size() < rows.size()) {
        m_rows.append(newRow(this));
        m_rows.last()->show();
    }
    int top = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        setTitles(m_rows[i], rows[i].titles);
        m_rows[i]->setGeometry(0, top, width(), rows[i].size.height());
        top += rows[i].size.height();
    }
}
