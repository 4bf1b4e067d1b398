#include "ui/category_tree_view.h"

#include "ui/category_delegate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace quenbo {

CategoryTreeView::CategoryTreeView(QWidget *parent)
    : QTreeView(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(CategoryDelegate::kRowHeight);
    setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
}

void CategoryTreeView::paintEvent(QPaintEvent *event)
{
    // Rows are drawn on plain white, whatever the palette: their colours are chosen for it.
    QPainter(viewport()).fillRect(event->rect(), Qt::white);
    QTreeView::paintEvent(event);
}

void CategoryTreeView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        // The row pressed stays where it is, also when it is partly out of view.
        const bool scroll = hasAutoScroll();
        setAutoScroll(false);
        setCurrentIndex(index);
        setAutoScroll(scroll);
    }
    event->accept();
}

void CategoryTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void CategoryTreeView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}

void CategoryTreeView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        QTreeView::keyPressEvent(event);
        if (const QModelIndex current = currentIndex(); model()->rowCount(current) > 0)
            expand(current);
        event->accept();
        return;
    default:
        event->ignore();
    }
}

void CategoryTreeView::focusInEvent(QFocusEvent *event)
{
    const bool hadCurrent = currentIndex().isValid();
    QTreeView::focusInEvent(event);
    // Qt may make the first row current without selecting it; here it is both. A press of the
    // mouse chooses its own row, or none.
    if (!hadCurrent && event->reason() != Qt::MouseFocusReason && model())
        if (const QModelIndex first = model()->index(0, 0, rootIndex()); first.isValid())
            setCurrentIndex(first);
}

void CategoryTreeView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QAbstractItemView::currentChanged(current, previous);
}

void CategoryTreeView::selectionChanged(const QItemSelection &selected,
                                        const QItemSelection &deselected)
{
    QAbstractItemView::selectionChanged(selected, deselected);
}

}  // namespace quenbo
