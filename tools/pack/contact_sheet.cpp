#include "pack/contact_sheet.h"

#include "pack/art_style.h"
#include "pictures/bitmap.h"
#include "pictures/gif_image.h"
#include "pictures/jpeg_image.h"
#include "pictures/png_image.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace quenbo::pack {

namespace {

constexpr int kScale = 3;
constexpr int kSheetWidth = 470;
constexpr int kGap = 6;
constexpr int kLabelHeight = 10;

QImage wrap(const RgbaImage &pixels)
{
    const QImage view(pixels.pixels.data(), pixels.width, pixels.height, pixels.width * 4,
                      QImage::Format_RGBA8888);
    return view.copy();
}

template <class Picture> QImage wrapDecoded(ByteSpan data)
{
    Picture picture;
    picture.LoadFromBuffer(data);
    return wrap(picture.Image());
}

// The decoded frames of a picture entry; nothing for other entries.
std::vector<QImage> decode(const ArchiveEntry &entry)
{
    const ByteSpan data(entry.data);
    const std::string &name = entry.name;
    const auto endsWith = [&](std::string_view ext) { return name.ends_with(ext); };
    std::vector<QImage> frames;
    if (endsWith(".bmp")) {
        frames.push_back(wrapDecoded<TBitmap>(data));
    } else if (endsWith(".png")) {
        frames.push_back(wrapDecoded<TPngImage>(data));
    } else if (endsWith(".jpg")) {
        TJpegImage jpeg;
        jpeg.LoadFromBuffer(data);
        frames.push_back(wrap(jpeg.Decoded()));
    } else if (endsWith(".gif")) {
        TGifImage gif;
        gif.LoadFromBuffer(data);
        for (const GifFrame &frame : gif.Frames())
            frames.push_back(wrap(frame.image));
    }
    return frames;
}

struct Tile {
    QString label;
    std::vector<QImage> frames;
    int columns = 1;  // frames of an animation stand in a grid this many wide
    QRect area;       // frames and label, in sheet pixels before enlarging
};

constexpr int kFrameGap = 2;

QSize framesSize(const Tile &tile)
{
    const QSize frame = tile.frames.front().size();
    const int count = int(tile.frames.size());
    const int rows = (count + tile.columns - 1) / tile.columns;
    const int columns = std::min(count, tile.columns);
    return {columns * (frame.width() + kFrameGap) - kFrameGap,
            rows * (frame.height() + kFrameGap) - kFrameGap};
}

QPoint framePosition(const Tile &tile, int index)
{
    const QSize frame = tile.frames.front().size();
    return tile.area.topLeft() + QPoint(index % tile.columns * (frame.width() + kFrameGap),
                                        index / tile.columns * (frame.height() + kFrameGap));
}

// Places the tiles left to right in rows; returns the sheet height.
int layOut(std::vector<Tile> &tiles, const QFontMetrics &labels)
{
    int x = kGap;
    int y = kGap;
    int rowHeight = 0;
    for (Tile &tile : tiles) {
        const int frameWidth = tile.frames.front().width() + kFrameGap;
        tile.columns = std::max(1, (kSheetWidth - 2 * kGap + kFrameGap) / frameWidth);
        const QSize frames = framesSize(tile);
        const int width = std::max(frames.width(), labels.horizontalAdvance(tile.label));
        if (x > kGap && x + width > kSheetWidth - kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        tile.area = QRect(x, y, width, frames.height() + kLabelHeight);
        x += width + kGap;
        rowHeight = std::max(rowHeight, tile.area.height());
    }
    return y + rowHeight + kGap;
}

void paintChecker(QPainter &painter, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); y += 4)
        for (int x = area.left(); x <= area.right(); x += 4) {
            const bool dark = ((x - area.left()) / 4 + (y - area.top()) / 4) % 2 == 1;
            painter.fillRect(QRect(x, y, 4, 4).intersected(area),
                             dark ? QColor(0xD8, 0xD8, 0xD8) : QColor(0xF4, 0xF4, 0xF4));
        }
}

}  // namespace

QImage contactSheet(std::span<const ArchiveEntry> entries)
{
    std::vector<Tile> tiles;
    for (const ArchiveEntry &entry : entries) {
        std::vector<QImage> frames = decode(entry);
        if (!frames.empty())
            tiles.push_back({QString::fromStdString(entry.name), std::move(frames), 1, {}});
    }
    QFont labelFont(QStringLiteral("DejaVu Sans"));
    labelFont.setPixelSize(8);
    const int height = layOut(tiles, QFontMetrics(labelFont));

    QImage sheet = newCanvas(kSheetWidth, height, QColor(0x60, 0x60, 0x60));
    QPainter painter(&sheet);
    painter.setFont(labelFont);
    for (const Tile &tile : tiles) {
        for (std::size_t i = 0; i < tile.frames.size(); ++i) {
            const QRect place(framePosition(tile, int(i)), tile.frames[i].size());
            paintChecker(painter, place);
            painter.drawImage(place.topLeft(), tile.frames[i]);
        }
        painter.setPen(Qt::white);
        painter.drawText(QPoint(tile.area.left(), tile.area.bottom()), tile.label);
    }
    painter.end();
    return sheet.scaled(sheet.size() * kScale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace quenbo::pack
