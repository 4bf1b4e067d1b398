#include "pack/art_style.h"

#include <QFontMetrics>
#include <QPainterPath>

#include <cmath>
#include <cstring>

namespace quenbo::pack {

QFont captionFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QImage newCanvas(int width, int height, const QColor &fill)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void prepare(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QLinearGradient verticalGradient(const QRectF &rect, const QColor &top, const QColor &bottom)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

void paintFace(QPainter &painter, const QRect &rect, qreal radius, const FaceStyle &style)
{
    // A one-pixel pen is centred on the half-pixel line, so the outline lands on whole pixels.
    const QRectF outline = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.save();
    painter.setPen(QPen(style.border, 1));
    painter.setBrush(verticalGradient(outline, style.top, style.bottom));
    painter.drawRoundedRect(outline, radius, radius);
    painter.restore();
}

void drawCentredText(QPainter &painter, const QPointF &centre, const QString &text,
                     const QColor &colour)
{
    const QFontMetrics metrics(painter.font());
    const QRect ink = metrics.tightBoundingRect(text);
    const qreal x = std::round(centre.x() - ink.width() / 2.0 - ink.left());
    const qreal baseline = std::round(centre.y() - ink.height() / 2.0 - ink.top());
    painter.save();
    painter.setPen(colour);
    painter.drawText(QPointF(x, baseline), text);
    painter.restore();
}

int inkWidth(const QPainter &painter, const QString &text)
{
    return QFontMetrics(painter.font()).tightBoundingRect(text).width();
}

QImage flattenOnMatte(const QImage &image, const QColor &matte)
{
    QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage result(source.size(), QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            if (alpha < 128) {
                out[x] = qRgba(0, 0, 0, 0);
                continue;
            }
            const auto blend = [alpha](int over, int under) {
                return (over * alpha + under * (255 - alpha) + 127) / 255;
            };
            out[x] = qRgb(blend(qRed(in[x]), matte.red()), blend(qGreen(in[x]), matte.green()),
                          blend(qBlue(in[x]), matte.blue()));
        }
    }
    return result;
}

RgbaImage toRgba(const QImage &image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    RgbaImage result;
    result.allocate(rgba.width(), rgba.height());
    for (int y = 0; y < rgba.height(); ++y)
        std::memcpy(result.row(y), rgba.constScanLine(y), std::size_t(rgba.width()) * 4);
    return result;
}

}  // namespace quenbo::pack
