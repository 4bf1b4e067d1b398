#include "pack/loading_art.h"

#include "pack/art_style.h"

#include <cmath>
#include <numbers>

namespace quenbo::pack {

namespace {

constexpr int kWidth = 197;
constexpr int kHeight = 47;
constexpr int kDots = 12;

QColor mix(const QColor &from, const QColor &to, qreal t)
{
    const auto channel = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

QImage frame(int index)
{
    QImage image = newCanvas(kWidth, kHeight);
    QPainter painter(&image);
    prepare(painter);
    paintFace(painter, image.rect(), 6,
              {Qt::white, QColor(0xF8, 0xF8, 0xF8), QColor(0xDD, 0xDD, 0xDD), palette::kInkSoft});

    const QPointF centre(27, 23.5);
    const QColor faded(0xEC, 0xEC, 0xEC);
    painter.setPen(Qt::NoPen);
    for (int dot = 0; dot < kDots; ++dot) {
        // The head is at position index; the dots behind it fade out over two thirds of the
        // ring.
        const int behind = (index - dot + kDots) % kDots;
        const qreal strength = std::max(0.0, 1.0 - behind / 8.0);
        const qreal angle = -std::numbers::pi / 2 + dot * 2 * std::numbers::pi / kDots;
        painter.setBrush(mix(faded, palette::kAccent, strength));
        painter.drawEllipse(centre + QPointF(10 * std::cos(angle), 10 * std::sin(angle)), 2.1, 2.1);
    }

    painter.setFont(captionFont(14));
    const QString caption = QStringLiteral("正在加载…");
    drawCentredText(painter, QPointF(50 + inkWidth(painter, caption) / 2.0, 23.5), caption,
                    palette::kInkSoft);
    painter.end();
    return flattenOnMatte(image, palette::kWindow);
}

}  // namespace

std::vector<QImage> loadingFrames()
{
    std::vector<QImage> frames;
    for (int i = 0; i < kDots; ++i)
        frames.push_back(frame(i));
    return frames;
}

}  // namespace quenbo::pack
