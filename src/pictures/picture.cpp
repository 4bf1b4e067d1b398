#include "pictures/picture.h"

namespace quenbo {

void CheckPictureSize(std::int64_t width, std::int64_t height)
{
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width <= 0 || height <= 0)
        throw PictureError("picture has no pixels (" + size + ")");
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        throw PictureError("picture side too large (" + size + ")");
    if (width * height > kMaxPicturePixels)
        throw PictureError("picture has too many pixels (" + size + ")");
}

void RgbaImage::allocate(int w, int h)
{
    CheckPictureSize(w, h);
    // Fill a fresh buffer first so that a failed allocation leaves this image unchanged.
    std::vector<std::uint8_t> fresh(std::size_t(w) * std::size_t(h) * 4, 0);
    pixels.swap(fresh);
    width = w;
    height = h;
}

}  // namespace quenbo
