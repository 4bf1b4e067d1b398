#include "pack/credit_icon_art.h"

#include "pack/art_style.h"

#include <QPainterPath>
#include <QPolygonF>

namespace quenbo::pack {

namespace {

constexpr int kSymbol = 15;
constexpr int kPitch = 16;

enum class Symbol { Heart, Diamond, Crown, GoldenCrown };

void fillOutlined(QPainter &painter, const QPainterPath &path, const QColor &top,
                  const QColor &bottom, const QColor &outline)
{
    painter.setPen(QPen(outline, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(verticalGradient(QRectF(0, 0, kSymbol, kSymbol), top, bottom));
    painter.drawPath(path);
}

void drawHeart(QPainter &painter)
{
    QPainterPath heart;
    heart.moveTo(7.5, 13.6);
    heart.cubicTo(4.2, 11.2, 0.9, 8.6, 0.9, 5.0);
    heart.cubicTo(0.9, 2.6, 2.6, 1.0, 4.5, 1.0);
    heart.cubicTo(5.9, 1.0, 7.0, 1.9, 7.5, 3.1);
    heart.cubicTo(8.0, 1.9, 9.1, 1.0, 10.5, 1.0);
    heart.cubicTo(12.4, 1.0, 14.1, 2.6, 14.1, 5.0);
    heart.cubicTo(14.1, 8.6, 10.8, 11.2, 7.5, 13.6);
    heart.closeSubpath();
    fillOutlined(painter, heart, QColor(0xFF, 0x6B, 0x6B), QColor(0xD9, 0x1E, 0x2A),
                 QColor(0xA8, 0x12, 0x1C));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 170));
    painter.drawEllipse(QRectF(3.0, 3.0, 2.6, 2.0));
}

void drawDiamond(QPainter &painter)
{
    QPainterPath gem;
    gem.addPolygon(QPolygonF{{4.0, 1.5}, {11.0, 1.5}, {14.0, 5.5}, {7.5, 13.8}, {1.0, 5.5}});
    gem.closeSubpath();
    fillOutlined(painter, gem, QColor(0x8A, 0xD4, 0xFF), QColor(0x1E, 0x78, 0xE0),
                 QColor(0x14, 0x55, 0xA8));
    // The crown of the gem is lighter than its pavilion; two facet lines suggest the cut.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 110));
    painter.drawPolygon(QPolygonF{{4.3, 2.0}, {10.7, 2.0}, {13.2, 5.3}, {1.8, 5.3}});
    painter.setPen(QPen(QColor(0x14, 0x55, 0xA8, 150), 0.8));
    painter.drawLine(QPointF(1.5, 5.5), QPointF(13.5, 5.5));
    painter.drawLine(QPointF(5.2, 5.5), QPointF(7.5, 12.5));
    painter.drawLine(QPointF(9.8, 5.5), QPointF(7.5, 12.5));
}

void drawCrown(QPainter &painter, const QColor &top, const QColor &bottom, const QColor &outline,
               const QColor &jewel)
{
    QPainterPath crown;
    crown.addPolygon(QPolygonF{
        {1.5, 4.0}, {4.6, 7.6}, {7.5, 2.6}, {10.4, 7.6}, {13.5, 4.0}, {12.8, 11.0}, {2.2, 11.0}});
    crown.closeSubpath();
    crown.addRoundedRect(QRectF(2.0, 11.0, 11.0, 2.8), 0.8, 0.8);
    fillOutlined(painter, crown.simplified(), top, bottom, outline);
    // A darker seam sets the band off from the points.
    painter.setPen(QPen(outline, 0.9));
    painter.drawLine(QPointF(2.4, 11.0), QPointF(12.6, 11.0));
    painter.setBrush(top);
    for (const QPointF tip : {QPointF(1.5, 3.0), QPointF(7.5, 1.7), QPointF(13.5, 3.0)})
        painter.drawEllipse(tip, 1.5, 1.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(jewel);
    painter.drawEllipse(QPointF(7.5, 8.6), 1.4, 1.4);
}

void drawSymbol(QPainter &painter, Symbol symbol)
{
    switch (symbol) {
    case Symbol::Heart:
        drawHeart(painter);
        break;
    case Symbol::Diamond:
        drawDiamond(painter);
        break;
    case Symbol::Crown:
        drawCrown(painter, QColor(0xA6, 0x8C, 0xFF), QColor(0x5A, 0x3F, 0xD6),
                  QColor(0x3A, 0x26, 0x9E), QColor(0xE8, 0xF0, 0xFF));
        break;
    case Symbol::GoldenCrown:
        drawCrown(painter, QColor(0xFF, 0xE2, 0x6E), QColor(0xF0, 0xA2, 0x00),
                  QColor(0xA8, 0x68, 0x00), QColor(0xE0, 0x28, 0x28));
        break;
    }
}

}  // namespace

QImage creditIcon(int level)
{
    const auto symbol = static_cast<Symbol>((level - 1) / 5);
    const int count = (level - 1) % 5 + 1;
    QImage image = newCanvas(count * kPitch - 1, kSymbol);
    QPainter painter(&image);
    prepare(painter);
    for (int i = 0; i < count; ++i) {
        painter.save();
        painter.translate(i * kPitch, 0);
        drawSymbol(painter, symbol);
        painter.restore();
    }
    painter.end();
    return flattenOnMatte(image, palette::kRow);
}

}  // namespace quenbo::pack
