#include "pack/panel_art.h"

#include "pack/art_style.h"

#include <QPainterPath>
#include <QPolygonF>

namespace quenbo::pack {

QImage sortStripBackground(int width)
{
    QImage image = newCanvas(width, 25);
    QPainter painter(&image);
    painter.fillRect(image.rect(), verticalGradient(QRectF(0, 0, 1, 25), QColor(0xFD, 0xFD, 0xFD),
                                                    QColor(0xEC, 0xEC, 0xEC)));
    painter.fillRect(QRect(0, 0, width, 1), Qt::white);
    painter.fillRect(QRect(0, 24, width, 1), QColor(0xD4, 0xD4, 0xD4));
    return image;
}

QImage selectedRowBackground()
{
    QImage image = newCanvas(64, 84);
    QPainter painter(&image);
    painter.fillRect(image.rect(), verticalGradient(QRectF(0, 0, 1, 84), QColor(0xFF, 0xF9, 0xF2),
                                                    QColor(0xFF, 0xEA, 0xD5)));
    painter.fillRect(QRect(0, 0, 64, 1), QColor(0xFF, 0xC8, 0x9A));
    painter.fillRect(QRect(0, 1, 64, 1), QColor(0xFF, 0xFF, 0xFF, 160));
    painter.fillRect(QRect(0, 82, 64, 1), QColor(0xFF, 0xD6, 0xB3));
    return image;
}

QImage categoryHeading()
{
    QImage image = newCanvas(203, 24);
    QPainter painter(&image);
    prepare(painter);
    painter.fillRect(image.rect(), verticalGradient(QRectF(0, 0, 1, 24), palette::kAccentLight,
                                                    palette::kAccent));
    painter.fillRect(QRect(0, 0, 203, 1), QColor(0xFF, 0xB5, 0x7A));
    painter.fillRect(QRect(0, 23, 203, 1), palette::kAccentDark);

    // A list glyph: three bullets with their lines.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (int row = 0; row < 3; ++row) {
        const int y = 7 + row * 4;
        painter.drawRect(QRect(10, y, 2, 2));
        painter.drawRect(QRect(14, y, 8, 2));
    }
    painter.setFont(captionFont(13, true));
    drawCentredText(painter, QPointF(30 + inkWidth(painter, "商品分类") / 2.0, 12), "商品分类",
                    Qt::white);
    return image;
}

namespace {

constexpr int kThumbnailSide = 80;

// The square both stand-ins of an item picture are drawn on: a light grey ground with a thin
// border, the size of the thumbnail square.
QImage thumbnailCard()
{
    QImage image = newCanvas(kThumbnailSide, kThumbnailSide, QColor(0xF5, 0xF5, 0xF5));
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0.5, 0.5, kThumbnailSide - 1, kThumbnailSide - 1));
    return image;
}

// A picture glyph above the caption: a frame with a sun and two hills.
void drawPictureGlyph(QPainter &painter, const QColor &frame, const QColor &hills)
{
    painter.setPen(QPen(frame, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(24, 16, 32, 26), 3, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(frame);
    painter.drawEllipse(QPointF(32, 24), 3, 3);
    painter.setBrush(hills);
    painter.drawPolygon(QPolygonF{{26, 40}, {38, 27}, {46, 36}, {49, 33}, {54, 40}});
}

}  // namespace

QImage standbyThumbnail()
{
    QImage image = thumbnailCard();
    QPainter painter(&image);
    prepare(painter);
    drawPictureGlyph(painter, QColor(0xC4, 0xC4, 0xC4), QColor(0xD2, 0xD2, 0xD2));

    painter.setFont(captionFont(12));
    drawCentredText(painter, QPointF(40, 56), "图片载入中", palette::kInkMuted);
    // A partly filled progress bar: the picture is on its way.
    painter.fillRect(QRect(27, 66, 26, 2), palette::kWarmBottom);
    painter.fillRect(QRect(27, 66, 10, 2), palette::kAccentLight);
    return image;
}

QImage noPictureThumbnail()
{
    QImage image = thumbnailCard();
    QPainter painter(&image);
    prepare(painter);
    // The same glyph, paler, struck through: nothing more is on its way.
    drawPictureGlyph(painter, QColor(0xCF, 0xCF, 0xCF), QColor(0xDC, 0xDC, 0xDC));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xF5, 0xF5, 0xF5), 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(22, 45), QPointF(58, 13));
    painter.setPen(QPen(QColor(0xB4, 0xB4, 0xB4), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(22, 45), QPointF(58, 13));

    painter.setFont(captionFont(12));
    drawCentredText(painter, QPointF(40, 56), "暂无图片", palette::kInkSoft);
    // The progress bar's place holds a plain grey rule instead.
    painter.fillRect(QRect(27, 66, 26, 2), QColor(0xE2, 0xE2, 0xE2));
    return image;
}

QImage parentMarker()
{
    QImage image = newCanvas(8, 9);
    QPainter painter(&image);
    prepare(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kAccent);
    // The straight left edge lies on a pixel boundary so that it stays sharp.
    painter.drawPolygon(QPolygonF{{1, 0.5}, {7.5, 4.5}, {1, 8.5}});
    return image;
}

}  // namespace quenbo::pack
