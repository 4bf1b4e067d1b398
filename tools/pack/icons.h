#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>

// Small line and shape glyphs drawn next to captions; each is centred vertically on centre.y
// and starts at centre.x - width / 2.

namespace quenbo::pack {

// A five-pointed star of the given outer diameter.
void drawStar(QPainter &painter, const QPointF &centre, qreal size, const QColor &colour);

// A magnifying glass of the given size.
void drawMagnifier(QPainter &painter, const QPointF &centre, qreal size, const QColor &colour);

// A left-pointing chevron of the given height.
void drawBackChevron(QPainter &painter, const QPointF &centre, qreal height, const QColor &colour);

// Two small triangles, one up and one down: "sorts both ways". 5 pixels wide, 9 high.
void drawSortArrows(QPainter &painter, const QPointF &centre, const QColor &colour);

}  // namespace quenbo::pack
