#pragma once

#include <QTreeView>

namespace quenbo {

// The category tree's control: a tree of uniform rows drawn whole by its delegate on white,
// indented by the delegate, without header, branch marks or horizontal scroll bar. Its
// presenter filters its events and so sees every press and key first; what it leaves, the
// control takes thus:
// - a press of the left button makes the row under it current (and selected); other buttons,
//   moves with a button held and releases change nothing, and double-clicks open nothing;
// - Up, Down, Home, End, Page Up and Page Down move the current row, and a row so reached
//   whose children are there opens, so the keys walk the tree level by level; other keys are
//   left to the window;
// - the current row carries a focus frame while the control has the focus, and taking the
//   focus by key or program with no current row makes the first row current at once.
class CategoryTreeView : public QTreeView {
    Q_OBJECT

public:
    explicit CategoryTreeView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    // QTreeView tells assistive technology of these with row numbers that count a header
    // row; the rows' own interface (view_accessible.h) tells it instead.
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
};

}  // namespace quenbo
