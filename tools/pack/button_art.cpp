#include "pack/button_art.h"

#include "pack/art_style.h"
#include "pack/icons.h"
#include "pack/panel_art.h"

#include <array>
#include <functional>

namespace quenbo::pack {

namespace {

enum class Glyph { None, SortArrows, Star, Magnifier, Back };

// The three faces of one kind of button.
using FaceSet = std::array<FaceStyle, 3>;

// Light grey buttons that warm up under the mouse and turn orange when pressed.
const FaceSet kNeutral = {{
    {palette::kFaceTop, palette::kFaceBottom, QColor(0xC4, 0xC4, 0xC4), palette::kInk},
    {palette::kWarmTop, palette::kWarmBottom, palette::kAccentLight, palette::kAccentDark},
    {palette::kAccent, palette::kAccentDark, palette::kAccentDeep, Qt::white},
}};

// The orange call-to-action buttons.
const FaceSet kPrimary = {{
    {palette::kAccentLight, palette::kAccent, palette::kAccentDark, Qt::white},
    {QColor(0xFF, 0xAE, 0x6B), QColor(0xFF, 0x80, 0x22), palette::kAccent, Qt::white},
    {palette::kAccentDark, QColor(0xE8, 0x5C, 0x00), palette::kAccentDeep, Qt::white},
}};

// Cash-back purchase: the red of money.
const FaceSet kCash = {{
    {QColor(0xFF, 0x6E, 0x55), palette::kCashRed, palette::kCashRedDark, Qt::white},
    {QColor(0xFF, 0x8E, 0x78), QColor(0xF7, 0x5B, 0x47), palette::kCashRed, Qt::white},
    {palette::kCashRedDark, QColor(0xD8, 0x35, 0x22), QColor(0x9E, 0x20, 0x12), Qt::white},
}};

// Go to the item: orange outline on white.
const FaceSet kOutline = {{
    {Qt::white, QColor(0xFF, 0xF3, 0xE8), palette::kAccentLight, palette::kAccentDark},
    {palette::kWarmTop, palette::kWarmBottom, palette::kAccent, palette::kAccentDark},
    {QColor(0xFF, 0xC9, 0x99), QColor(0xFF, 0xDD, 0xBF), palette::kAccentDark,
     palette::kAccentDeep},
}};

// Remove from the favourites: muted grey that turns a soft red under the mouse.
const FaceSet kMuted = {{
    {QColor(0xF6, 0xF6, 0xF6), QColor(0xE4, 0xE4, 0xE4), QColor(0xC8, 0xC8, 0xC8),
     palette::kInkSoft},
    {QColor(0xFF, 0xF2, 0xF0), QColor(0xFF, 0xDE, 0xD9), QColor(0xEB, 0x96, 0x8C),
     palette::kCashRedDark},
    {QColor(0xF2, 0xC4, 0xBD), QColor(0xF8, 0xD8, 0xD3), palette::kCashRed, palette::kCashRedDark},
}};

struct ButtonDesign {
    QString baseName;
    int width;
    int height;
    QString caption;
    int fontPixels;
    bool bold;
    Glyph glyph;
    const FaceSet *faces;
    qreal radius;
    // What shows at the rounded corners: the colour the button sits on, or, for buttons on
    // the sort strip (stripTop >= 0), the strip itself from that y.
    QColor backdrop;
    int stripTop = -1;
};

int glyphWidth(Glyph glyph, int height)
{
    switch (glyph) {
    case Glyph::None:
        return 0;
    case Glyph::SortArrows:
        return 5;
    case Glyph::Star:
        return height / 2;
    case Glyph::Magnifier:
        return 12;
    case Glyph::Back:
        return 5;
    }
    return 0;
}

void drawGlyph(QPainter &painter, Glyph glyph, const QPointF &centre, int height,
               const QColor &colour)
{
    switch (glyph) {
    case Glyph::None:
        break;
    case Glyph::SortArrows:
        drawSortArrows(painter, centre, colour);
        break;
    case Glyph::Star:
        drawStar(painter, centre, height / 2.0 + 1, colour);
        break;
    case Glyph::Magnifier:
        drawMagnifier(painter, centre, 12, colour);
        break;
    case Glyph::Back:
        drawBackChevron(painter, centre, 8, colour);
        break;
    }
}

QImage drawButton(const ButtonDesign &design, ButtonState state)
{
    const FaceStyle &face = (*design.faces)[static_cast<std::size_t>(state)];
    QImage image = newCanvas(design.width, design.height, design.backdrop);
    QPainter painter(&image);
    prepare(painter);
    if (design.stripTop >= 0)
        painter.drawImage(0, -design.stripTop, sortStripBackground(design.width));
    paintFace(painter, image.rect(), design.radius, face);
    if (state != ButtonState::Pressed) {
        // A faint inner highlight along the top edge gives the face some depth.
        painter.setPen(QColor(255, 255, 255, 90));
        painter.drawLine(QPointF(design.radius, 1.5), QPointF(design.width - design.radius, 1.5));
    }

    // Pressed content moves one pixel right and down, as if pushed in.
    const qreal shift = state == ButtonState::Pressed ? 1 : 0;
    painter.setFont(captionFont(design.fontPixels, design.bold));
    const int textWidth = inkWidth(painter, design.caption);
    const int iconWidth = glyphWidth(design.glyph, design.height);
    const int gap = iconWidth > 0 ? (design.glyph == Glyph::SortArrows ? 3 : 5) : 0;
    const qreal left = std::round((design.width - textWidth - iconWidth - gap) / 2.0) + shift;
    const qreal middle = design.height / 2.0 + shift;
    const bool iconAfter = design.glyph == Glyph::SortArrows;
    const qreal textLeft = iconAfter ? left : left + iconWidth + gap;
    const qreal iconLeft = iconAfter ? left + textWidth + gap : left;
    drawCentredText(painter, QPointF(textLeft + textWidth / 2.0, middle), design.caption,
                    face.text);
    const QColor iconColour = design.glyph == Glyph::SortArrows && state == ButtonState::Normal
                                  ? palette::kInkMuted
                                  : face.text;
    drawGlyph(painter, design.glyph, QPointF(iconLeft + iconWidth / 2.0, middle), design.height,
              iconColour);
    return image;
}

void addStates(std::vector<ButtonPicture> &out, const ButtonDesign &design,
               const std::array<QString, 3> &suffixes)
{
    for (std::size_t k = 0; k < 3; ++k)
        out.push_back(
            {design.baseName + suffixes[k], drawButton(design, static_cast<ButtonState>(k))});
}

}  // namespace

std::vector<ButtonPicture> pictureButtons()
{
    const ButtonDesign designs[] = {
        {"xin", 42, 19, "信用", 12, false, Glyph::SortArrows, &kNeutral, 3, {}, 3},
        {"jia", 46, 19, "价格", 12, false, Glyph::SortArrows, &kNeutral, 3, {}, 3},
        {"xiao", 42, 19, "销量", 12, false, Glyph::SortArrows, &kNeutral, 3, {}, 3},
        {"fan", 46, 19, "返现", 12, false, Glyph::SortArrows, &kNeutral, 3, {}, 3},
        {"B_sc", 199, 36, "我的收藏", 16, true, Glyph::Star, &kPrimary, 5, palette::kWindow},
        {"b_serch", 106, 27, "搜 索", 14, true, Glyph::Magnifier, &kPrimary, 4, palette::kWindow},
        {"b_shop", 73, 23, "返回", 12, false, Glyph::Back, &kNeutral, 3, {}, 0},
    };
    std::vector<ButtonPicture> pictures;
    for (const ButtonDesign &design : designs)
        addStates(pictures, design, {"_1", "_2", "_3"});
    return pictures;
}

std::vector<ButtonPicture> rowButtons()
{
    const ButtonDesign designs[] = {
        {"1", 60, 22, "返现购买", 12, false, Glyph::None, &kCash, 3, palette::kRow},
        {"2", 60, 22, "去看看", 12, false, Glyph::None, &kOutline, 3, palette::kRow},
        {"3", 60, 22, "加入收藏", 12, false, Glyph::None, &kNeutral, 3, palette::kRow},
        {"4", 60, 22, "取消收藏", 12, false, Glyph::None, &kMuted, 3, palette::kRow},
    };
    std::vector<ButtonPicture> pictures;
    for (const ButtonDesign &design : designs)
        addStates(pictures, design, {"", "_1", "_2"});
    return pictures;
}

}  // namespace quenbo::pack
