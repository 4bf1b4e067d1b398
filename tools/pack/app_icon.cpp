#include "pack/app_icon.h"

#include "pack/art_style.h"
#include "pack/icons.h"

#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace quenbo::pack {

namespace {

// The rounded orange tile. Larger sizes leave a small margin, as desktop themes expect; the
// smallest fill their square, where every pixel counts.
QRectF drawTile(QPainter &painter, int size)
{
    const qreal margin = std::floor(size / 32.0 + 0.25);
    const QRectF tile(margin, margin, size - 2 * margin, size - 2 * margin);
    const qreal radius = tile.width() * 0.22;
    painter.setPen(Qt::NoPen);
    painter.setBrush(verticalGradient(tile, palette::kAccentLight, palette::kAccentDark));
    painter.drawRoundedRect(tile, radius, radius);
    if (size >= 32) {
        // A thin darker rim keeps the tile apart from light and orange backgrounds alike.
        const QRectF rim = tile.adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(palette::kAccentDeep, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(rim, radius - 0.5, radius - 0.5);
    }
    return tile;
}

// The bag in whole pixels: a body a little wider at the bottom than at the top, and a thin
// handle whose ends go into the body through two eyelets. Wider than tall and with a slender
// handle, so that it does not read as a padlock.
struct BagShape {
    QPainterPath body;
    QPainterPath handle;  // a centre line, stroked with handleWidth
    qreal handleWidth = 1;
    QPointF eyelets[2];
    qreal eyeletRadius = 0;
    QRectF face;  // where the mark goes
};

BagShape bagShape(const QRectF &tile)
{
    const qreal unit = tile.width();
    const auto x = [&](qreal fraction) { return tile.left() + std::round(unit * fraction); };
    const auto y = [&](qreal fraction) { return tile.top() + std::round(unit * fraction); };
    BagShape bag;
    const qreal top = y(0.38);
    const qreal bottom = y(0.81);
    // The corners are rounded by growing a smaller outline by their radius, which keeps the
    // top and bottom edges on the pixel rows.
    const qreal corner = std::max<qreal>(0.5, unit * 0.035);
    QPainterPath core;
    core.addPolygon(QPolygonF{{x(0.25) + corner, top + corner},
                              {x(0.75) - corner, top + corner},
                              {x(0.81) - corner, bottom - corner},
                              {x(0.19) + corner, bottom - corner}});
    core.closeSubpath();
    QPainterPathStroker grow;
    grow.setWidth(2 * corner);
    grow.setJoinStyle(Qt::RoundJoin);
    bag.body = grow.createStroke(core).united(core).simplified();

    // An odd stroke width sits on a half-pixel centre line, an even one on a whole pixel.
    bag.handleWidth = std::max<qreal>(1, std::round(unit * 0.05));
    const qreal offset = std::fmod(bag.handleWidth, 2) == 1 ? 0.5 : 0;
    const qreal left = x(0.37) + offset;
    const qreal right = x(0.63) - offset;
    const qreal peak = y(0.13) + offset;
    const qreal foot = top + std::round(unit * 0.07);
    bag.handle.moveTo(left, foot);
    if (unit >= 32) {
        // A round loop where there are pixels enough for a curve.
        const qreal shoulder = y(0.30);
        bag.handle.lineTo(left, shoulder);
        bag.handle.cubicTo(left, peak, right, peak, right, shoulder);
    } else {
        // A few pixels wide, a square loop with trimmed corners stays sharp.
        bag.handle.lineTo(left, peak + 1);
        bag.handle.quadTo(left, peak, left + 1, peak);
        bag.handle.lineTo(right - 1, peak);
        bag.handle.quadTo(right, peak, right, peak + 1);
    }
    bag.handle.lineTo(right, foot);

    bag.eyeletRadius = std::max<qreal>(0.5, unit * 0.028);
    bag.eyelets[0] = QPointF(left, foot);
    bag.eyelets[1] = QPointF(right, foot);
    bag.face = QRectF(x(0.25), foot + bag.eyeletRadius, x(0.75) - x(0.25),
                      bottom - foot - bag.eyeletRadius);
    return bag;
}

void drawHandle(QPainter &painter, const BagShape &bag, const QColor &colour)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, bag.handleWidth, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    painter.drawPath(bag.handle);
}

}  // namespace

QImage appIcon(int size)
{
    QImage image = newCanvas(size, size);
    QPainter painter(&image);
    prepare(painter);
    const QRectF tile = drawTile(painter, size);
    const BagShape bag = bagShape(tile);

    if (size >= 48) {
        // A soft shadow below the bag lifts it off the tile.
        const QColor shadow(palette::kAccentDeep.red(), palette::kAccentDeep.green(),
                            palette::kAccentDeep.blue(), 110);
        painter.save();
        painter.translate(0, std::round(tile.width() * 0.025));
        painter.fillPath(bag.body, shadow);
        painter.restore();
    }
    drawHandle(painter, bag, palette::kFaceTop);
    painter.fillPath(bag.body, palette::kFaceTop);
    // Small, the eyelets and then the star would only be blurs; the plain bag reads better.
    painter.setPen(Qt::NoPen);
    if (size >= 48) {
        painter.setBrush(palette::kAccentDark);
        for (const QPointF &eyelet : bag.eyelets)
            painter.drawEllipse(eyelet, bag.eyeletRadius, bag.eyeletRadius);
    }
    if (size >= 32) {
        // The star, the shop's "favourite" mark, on the face of the bag.
        drawStar(painter, bag.face.center(), bag.face.height() * 0.68, palette::kAccent);
    }
    return image;
}

}  // namespace quenbo::pack
