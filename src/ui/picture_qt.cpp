#include "ui/picture_qt.h"

namespace quenbo {

QImage toQImage(const RgbaImage &image)
{
    if (image.empty())
        return {};
    const QImage view(image.pixels.data(), image.width, image.height, image.width * 4,
                      QImage::Format_RGBA8888);
    return view.copy();
}

}  // namespace quenbo
