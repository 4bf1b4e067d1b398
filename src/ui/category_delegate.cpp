#include "ui/category_delegate.h"

#include "ui/category_model.h"

#include <QPainter>

#include <algorithm>

namespace quenbo {

namespace {

constexpr int kMarkerTop = 7;
constexpr int kTextTop = 5;

int levelOf(QModelIndex index)
{
    int level = 0;
    for (index = index.parent(); index.isValid(); index = index.parent())
        ++level;
    return level;
}

}  // namespace

CategoryDelegate::CategoryDelegate(QImage parentMarker, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_parentMarker(std::move(parentMarker))
{
}

void CategoryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    const TShopClass *category = CategoryModel::category(index);
    if (!category)
        return;
    painter->save();
    painter->setClipRect(option.rect, Qt::IntersectClip);
    painter->translate(option.rect.topLeft());
    const QRect cell(QPoint(), option.rect.size());
    if (index == m_hot)
        painter->fillRect(cell, kHotColor);
    if (option.state & QStyle::State_Selected)
        painter->fillRect(cell, kSelectedColor);

    const int level = levelOf(index);
    const int markerX = level == 0 ? 3 : 10 * level;
    const int textX = level == 0 ? 12 : 10 * level + 12;
    if (category->IsParent == "true" && !m_parentMarker.isNull())
        painter->drawImage(QPoint(markerX, kMarkerTop), m_parentMarker);

    QFont font = option.font;
    font.setFamily(QStringLiteral("新宋体"));
    font.setPointSize(9);
    painter->setFont(font);
    painter->setPen(Qt::black);
    const QRect textRect(textX, kTextTop, std::max(0, cell.width() - textX),
                         cell.height() - kTextTop);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      QString::fromStdString(category->Name));

    if (option.state & QStyle::State_HasFocus) {
        // A dotted frame along the row's edge: where the keys act, over whatever the row shows.
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(QColor(64, 64, 64), 1, Qt::DotLine));
        painter->drawRect(cell.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize CategoryDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return {option.rect.width(), kRowHeight};
}

}  // namespace quenbo
