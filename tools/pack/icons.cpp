#include "pack/icons.h"

#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

#include <cmath>
#include <numbers>

namespace quenbo::pack {

void drawStar(QPainter &painter, const QPointF &centre, qreal size, const QColor &colour)
{
    const qreal outer = size / 2;
    const qreal inner = outer * 0.45;
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = i % 2 == 0 ? outer : inner;
        const qreal angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        // The star's points span less height than width; nudge it down to balance it.
        star << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle) + outer * 0.1);
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(star);
    painter.restore();
}

void drawMagnifier(QPainter &painter, const QPointF &centre, qreal size, const QColor &colour)
{
    const qreal lens = size * 0.36;
    const QPointF lensCentre = centre + QPointF(-size * 0.12, -size * 0.12);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, std::max<qreal>(1.6, size / 7), Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(lensCentre, lens, lens);
    const qreal reach = lens * std::numbers::sqrt2 / 2;
    painter.setPen(QPen(colour, std::max<qreal>(2.2, size / 5), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(lensCentre + QPointF(reach + 1, reach + 1),
                     centre + QPointF(size * 0.42, size * 0.42));
    painter.restore();
}

void drawBackChevron(QPainter &painter, const QPointF &centre, qreal height, const QColor &colour)
{
    const qreal half = height / 2;
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF tip = centre + QPointF(-half / 2, 0);
    painter.drawPolyline(QPolygonF{tip + QPointF(half, -half), tip, tip + QPointF(half, half)});
    painter.restore();
}

void drawSortArrows(QPainter &painter, const QPointF &centre, const QColor &colour)
{
    const qreal x = std::round(centre.x() - 2.5);
    const qreal y = std::round(centre.y() - 4.5);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF{{x + 2.5, y}, {x + 5, y + 3.5}, {x, y + 3.5}});
    painter.drawPolygon(QPolygonF{{x, y + 5.5}, {x + 5, y + 5.5}, {x + 2.5, y + 9}});
    painter.restore();
}

}  // namespace quenbo::pack
