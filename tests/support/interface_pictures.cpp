#include "interface_pictures.h"

#include "pictures/picture.h"
#include "pictures/picture_writers.h"

#include <QFont>
#include <QImage>
#include <QPainter>

namespace quenbo::testsupport {

namespace {

QColor colour(std::uint32_t rgb)
{
    return QColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// A flat picture with a one-pixel darker border and an optional centred caption.
QImage face(int width, int height, QColor fill, const QString &caption = {}, int pixels = 12)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(fill);
    QPainter painter(&image);
    painter.setPen(fill.darker(150));
    painter.drawRect(0, 0, width - 1, height - 1);
    if (!caption.isEmpty()) {
        QFont font(QStringLiteral("Noto Sans CJK SC"));
        font.setPixelSize(pixels);
        painter.setFont(font);
        painter.setPen(fill.lightness() > 140 ? QColor(30, 45, 70) : Qt::white);
        painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter, caption);
    }
    return image;
}

std::vector<std::uint8_t> bmp(const QImage &image)
{
    return EncodeBmp(toRgba(image));
}

}  // namespace

std::uint32_t stateColour(int k)
{
    static constexpr std::uint32_t kColours[] = {0x4A7FC1, 0xF0A030, 0x2E9E4F};
    return kColours[(k - 1) % 3];
}

std::uint32_t markerColour()
{
    return 0xE0301E;
}

Entries interfacePictures()
{
    Entries entries;
    const struct {
        const char *name;
        int width, height;
        const char *caption;
    } buttons[] = {{"xin", 42, 19, "信用"},       {"jia", 46, 19, "价格"},
                   {"xiao", 42, 19, "销量"},      {"fan", 46, 19, "返现"},
                   {"B_sc", 199, 36, "我的收藏"}, {"b_serch", 106, 27, "搜  索"},
                   {"b_shop", 73, 23, "返回列表"}};
    for (const auto &button : buttons)
        for (int k = 1; k <= 3; ++k)
            entries[std::string(button.name) + "_" + std::to_string(k) + ".bmp"] =
                bmp(face(button.width, button.height, colour(stateColour(k)),
                         QString::fromUtf8(button.caption), button.height > 30 ? 15 : 12));

    QImage heading = face(203, 24, QColor(0xDD, 0xE8, 0xF4), QStringLiteral("商品分类"), 13);
    entries["shopclass.jpg"] = EncodeJpeg(toRgba(heading), 92);

    QImage strip(447, 25, QImage::Format_RGBA8888);
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            strip.setPixelColor(x, y, QColor(246 - y * 2, 249 - y, 253));
    entries["t_top.bmp"] = bmp(strip);

    std::vector<GifFrame> frames;
    for (int f = 0; f < 4; ++f) {
        QImage frame(197, 47, QImage::Format_RGBA8888);
        frame.fill(Qt::transparent);
        QPainter painter(&frame);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int dot = 0; dot < 4; ++dot) {
            painter.setBrush(dot == f ? QColor(61, 127, 196) : QColor(190, 205, 222));
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(QPoint(70 + dot * 18, 23), 5, 5);
        }
        painter.end();
        frames.push_back(GifFrame{toRgba(frame), 150});
    }
    entries["load.gif"] = EncodeGif(frames, 0);

    QImage marker(kMarkerSide, kMarkerSide, QImage::Format_RGBA8888);
    marker.fill(colour(markerColour()));
    entries["class_1.png"] = EncodePng(toRgba(marker));

    entries["treedown.bmp"] = bmp(face(600, 84, QColor(222, 236, 250)));
    for (const char *name : {"1", "2", "3", "4"})
        for (const char *suffix : {"", "_1", "_2"})
            entries[std::string(name) + suffix + ".bmp"] = bmp(face(60, 21, QColor(240, 120, 40)));
    entries["loadimg.jpg"] = EncodeJpeg(toRgba(face(80, 80, QColor(235, 235, 235))));
    for (int level = 1; level <= 20; ++level)
        entries[std::to_string(level) + ".gif"] =
            EncodeGif({GifFrame{toRgba(face(10 + level, 12, QColor(230, 60, 60))), 100}}, 0);
    return entries;
}

void writeSandboxArchive(ProgramFolder &folder, const std::string &baseUrl,
                         const std::map<std::string, std::string> &extra)
{
    std::map<std::string, std::string> settings = sandboxSettings(baseUrl);
    for (const auto &[name, value] : extra)
        settings[name] = value;
    folder.writeArchive(protectedConfig(settings), interfacePictures());
}

QString appDir(const ProgramFolder &folder)
{
    return QString::fromStdString(folder.appPath());
}

RgbaImage toRgba(const QImage &image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    RgbaImage out;
    out.allocate(rgba.width(), rgba.height());
    for (int y = 0; y < rgba.height(); ++y)
        std::copy_n(rgba.constScanLine(y), std::size_t(rgba.width()) * 4, out.row(y));
    return out;
}

}  // namespace quenbo::testsupport
