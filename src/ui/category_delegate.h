#pragma once

#include <QColor>
#include <QImage>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

namespace quenbo {

// Draws a row of the category tree on white: the hot row and the selected row filled with
// their colours (the selected colour wins), the parent marker for a category with
// subcategories, the name in 新宋体 9 pt, indented 10 pixels a level; a dotted frame along the
// focused row while the tree has the focus. Every row is 24 pixels high. Expects the rows of a
// CategoryModel.
class CategoryDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 24;
    static inline const QColor kHotColor{254, 240, 183};
    static inline const QColor kSelectedColor{187, 228, 255};

    // parentMarker may be null, which draws no marker.
    explicit CategoryDelegate(QImage parentMarker, QObject *parent = nullptr);

    // The row lit as the one under the mouse; invalid for none. The caller repaints.
    void setHotIndex(const QModelIndex &index) { m_hot = index; }
    QModelIndex hotIndex() const { return m_hot; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QImage m_parentMarker;
    QPersistentModelIndex m_hot;
};

}  // namespace quenbo
