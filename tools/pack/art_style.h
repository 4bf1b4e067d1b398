#pragma once

#include "pictures/picture.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRectF>
#include <QString>

// The one look every picture of the archive shares: a warm orange shopping accent over
// neutral greys, rounded corners, soft vertical gradients, Chinese captions in Noto Sans CJK.

namespace quenbo::pack {

namespace palette {
inline const QColor kAccent{0xFF, 0x6A, 0x00};
inline const QColor kAccentLight{0xFF, 0x94, 0x3D};
inline const QColor kAccentDark{0xD9, 0x50, 0x00};
inline const QColor kAccentDeep{0xB8, 0x42, 0x00};
inline const QColor kCashRed{0xEE, 0x3F, 0x2C};
inline const QColor kCashRedDark{0xC4, 0x2B, 0x1B};
inline const QColor kInk{0x33, 0x33, 0x33};
inline const QColor kInkSoft{0x6E, 0x6E, 0x6E};
inline const QColor kInkMuted{0x99, 0x99, 0x99};
inline const QColor kFaceTop{0xFF, 0xFF, 0xFF};
inline const QColor kFaceBottom{0xEC, 0xEC, 0xEC};
inline const QColor kWarmTop{0xFF, 0xF7, 0xEF};
inline const QColor kWarmBottom{0xFF, 0xE4, 0xCC};
// What the pictures sit on, for corners and for flattening edges where a picture has no
// real transparency (BMP) or only one-bit transparency (GIF).
inline const QColor kWindow{0xEF, 0xEF, 0xEF};
inline const QColor kRow{0xFF, 0xFF, 0xFF};
}  // namespace palette

// A fill, a border and a caption colour; one per button kind and state.
struct FaceStyle {
    QColor top;
    QColor bottom;
    QColor border;
    QColor text;
};

// The caption font at a pixel size.
QFont captionFont(int pixelSize, bool bold = false);

// A w x h picture filled with fill (transparent by default), ready for a painter.
QImage newCanvas(int width, int height, const QColor &fill = Qt::transparent);

// A painter with antialiasing on, for shapes and text.
void prepare(QPainter &painter);

// A vertical gradient from top to bottom over rect.
QLinearGradient verticalGradient(const QRectF &rect, const QColor &top, const QColor &bottom);

// Fills a rounded rectangle with a vertical gradient and a one-pixel border on the pixel
// grid; rect is in whole pixels.
void paintFace(QPainter &painter, const QRect &rect, qreal radius, const FaceStyle &style);

// Draws text so that its ink is centred on centre (rounded to whole pixels, so the glyphs
// stay sharp).
void drawCentredText(QPainter &painter, const QPointF &centre, const QString &text,
                     const QColor &colour);

// Width of the ink of text in the painter's font.
int inkWidth(const QPainter &painter, const QString &text);

// Makes every pixel opaque or fully transparent, as a GIF needs: pixels at least half covered
// become opaque after blending over matte, the rest transparent. Edges drawn with
// antialiasing thereby keep their smoothing against the background they will be shown on.
QImage flattenOnMatte(const QImage &image, const QColor &matte);

// The pixels of a picture as our encoders take them.
RgbaImage toRgba(const QImage &image);

}  // namespace quenbo::pack
